// Pick lists, the record search and the lookup button, answered from a script (and once
// through a real modal list driven by the keyboard).
#include "framework/abortguard.h"
#include "framework/lookups.h"
#include "framework/modaldriver.h"
#include "framework/scripteddialogs.h"
#include "framework/tbtnpesquisa.h"
#include "gridfixture.h"
#include "platform/sqldatabase.h"
#include "platform/tadoibquery.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVBoxLayout>

using namespace dieta;
using namespace dieta::test;

namespace {

ScriptedDialogs::DialogScript checkRows(QList<int> rows, bool accept = true) {
    return [rows, accept](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        for (int row = 0; row < pick.rowCount(); ++row)
            pick.setChecked(row, rows.contains(row));
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    };
}

} // namespace

class tst_Lookups : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void codeListFormat();
    void pesquisaListaStartsFromTheGivenList();
    void pesquisaListaAllOrNothing();
    void pesquisarPositionsTheDataSet();
    void emptyListShowsTheEmptyText();
    void realListIsKeyboardUsable();
    void procuraFindsByTheStartOfAValue();
    void lookupButtonOrderOfEvents();
    void lookupButtonStopsWhenBeforePesqAborts();

private:
    std::unique_ptr<TClientDataSet> m_ds;
    std::unique_ptr<TDataSource> m_source;
    std::unique_ptr<ScriptedDialogs> m_script;
    std::unique_ptr<ScopedDialogService> m_scope;
};

void tst_Lookups::init() {
    m_ds = makeInpatients();
    m_source = std::make_unique<TDataSource>();
    m_source->SetDataSet(m_ds.get());
    m_script = std::make_unique<ScriptedDialogs>();
    m_scope = std::make_unique<ScopedDialogService>(*m_script);
}

void tst_Lookups::cleanup() {
    QCOMPARE(m_script->unscripted(), 0);
    m_scope.reset();
    m_script.reset();
    m_source.reset();
    m_ds.reset();
}

void tst_Lookups::codeListFormat() {
    QCOMPARE(JoinCodeList({"001", "014"}), QStringLiteral("_001_014_"));
    QCOMPARE(JoinCodeList({}), QString());
    QCOMPARE(SplitCodeList("_001_014_"), (QStringList{"001", "014"}));
    QCOMPARE(SplitCodeList("T"), QStringList());
    QCOMPARE(SplitCodeList(" "), QStringList{" "}); // a blank list is not a code list
}

void tst_Lookups::pesquisaListaStartsFromTheGivenList() {
    QList<int> seenChecked;
    m_script->answerDialog([&](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        seenChecked = pick.checkedRows();
        pick.setChecked(1, false);
        pick.setChecked(0, true);
        pick.setChecked(2, true);
        return int(QDialog::Accepted);
    });
    QString list = QStringLiteral("_P2_");
    QVERIFY(PesquisaLista(m_source.get(), "CDPACIENTE", "Paciente|Paciente_Cad", false, list));
    QCOMPARE(seenChecked, QList<int>{1});
    QCOMPARE(list, QStringLiteral("_P1_P3_"));

    m_script->answerDialog(checkRows({0}, false)); // cancelled: the list stays
    QVERIFY(!PesquisaLista(m_source.get(), "CDPACIENTE", "Paciente|x", false, list));
    QCOMPARE(list, QStringLiteral("_P1_P3_"));
}

void tst_Lookups::pesquisaListaAllOrNothing() {
    QString list = QStringLiteral("T");
    m_script->answerDialog([](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        return int(pick.checkedRows().size() == 3 ? QDialog::Accepted : QDialog::Rejected);
    });
    QVERIFY(PesquisaLista(m_source.get(), "CDPACIENTE", "Paciente|x", false, list));
    QCOMPARE(list, QStringLiteral("_P1_P2_P3_")); // "T" came in checked; listed when asked to
    m_script->answerDialog(checkRows({0, 1, 2}));
    QVERIFY(PesquisaLista(m_source.get(), "CDPACIENTE", "Paciente|x", true, list));
    QCOMPARE(list, QStringLiteral("T"));
    m_script->answerDialog(checkRows({}));
    QVERIFY(PesquisaLista(m_source.get(), "CDPACIENTE", "Paciente|x", true, list));
    QCOMPARE(list, QString());
}

void tst_Lookups::pesquisarPositionsTheDataSet() {
    m_script->answerDialog([](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        if (pick.windowTitle() != QLatin1String("Dieta") || !pick.search("car"))
            return int(QDialog::Rejected);
        return int(QDialog::Accepted);
    });
    QVERIFY(Pesquisar(m_source.get(), "Dieta|Não há dieta cadastrada.", false, true));
    QCOMPARE(m_ds->RecNo(), 3);
    m_script->answerDialog([](QDialog& dialog) {
        dynamic_cast<TPickListDialog&>(dialog).chooseRow(0);
        return int(QDialog::Rejected);
    });
    QVERIFY(!Pesquisar_Plus(m_source.get(), "Dieta|x"));
    QCOMPARE(m_ds->RecNo(), 3); // cancelled: the cursor stays
}

void tst_Lookups::emptyListShowsTheEmptyText() {
    m_ds->EmptyDataSet();
    m_script->answer(mrOk);
    m_script->answer(mrOk);
    QVERIFY(!Pesquisar(m_source.get(), "Filial|Não há filial cadastrada.", false, true));
    QString list = QStringLiteral("_1_");
    QVERIFY(!PesquisaLista(m_source.get(), "CDPACIENTE", "Andar|Não há andar.", false, list));
    QCOMPARE(list, QStringLiteral("_1_"));
    QCOMPARE(m_script->texts(), (QStringList{"Não há filial cadastrada.", "Não há andar."}));
    QCOMPARE(m_script->dialogsShown.size(), 0);
    QVERIFY(!Pesquisar(m_source.get(), "Filial|x", false, false)); // quietly
    QCOMPARE(m_script->asked.size(), 2);
}

void tst_Lookups::realListIsKeyboardUsable() {
    m_scope.reset(); // the real service
    QWidget owner;
    QVERIFY(showActive(owner));
    ModalDriver driver;
    driver.then([](QWidget& modal) {
        modal.activateWindow(); // offscreen: a new window is active only when asked
        QTRY_COMPARE(QApplication::activeWindow(), &modal);
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    QVERIFY(Pesquisar(m_source.get(), "Paciente|x", false, true, &owner));
    QCOMPARE(driver.handled(), 1);
    QCOMPARE(m_ds->RecNo(), 2);
    m_scope = std::make_unique<ScopedDialogService>(*m_script);
}

void tst_Lookups::procuraFindsByTheStartOfAValue() {
    m_script->answerDialog([](QDialog& dialog) {
        auto& search = dynamic_cast<TProcuraDialog&>(dialog);
        search.setField("nmpaciente");
        search.setText("car");
        return int(QDialog::Accepted);
    });
    QVERIFY(Procura(m_ds.get()));
    QCOMPARE(m_ds->FieldByName(u"CDPACIENTE")->AsString(), QStringLiteral("P3"));
    m_script->answerDialog([](QDialog& dialog) {
        dynamic_cast<TProcuraDialog&>(dialog).setText("Zé");
        return int(QDialog::Accepted);
    });
    m_script->answer(mrOk);
    QVERIFY(!Procura(m_ds.get()));
    QCOMPARE(m_script->texts(), QStringList{"Registro não encontrado."});
    QCOMPARE(m_ds->RecNo(), 3);
}

void tst_Lookups::lookupButtonOrderOfEvents() {
    // A real query: the button opens it itself after BeforePesq has set its parameters.
    QTemporaryDir dir;
    SqlDatabase db(DatabaseConfig{SqlEngine::SQLite, dir.filePath("lookup.db"), {}});
    QSqlQuery sql(db.connection());
    QVERIFY(sql.exec("CREATE TABLE PACIENTE (CDPACIENTE VARCHAR(12), NMPACIENTE VARCHAR(80))"));
    QVERIFY(sql.exec("INSERT INTO PACIENTE VALUES ('P1','Ana'),('P2','Bruno'),('P3','Carla')"));
    TADOIBQuery query;
    query.SetDatabase(&db);
    query.SQL = QStringList{"SELECT CDPACIENTE, NMPACIENTE FROM PACIENTE",
                            "WHERE CDPACIENTE <> :P_EXCLUI ORDER BY CDPACIENTE"};
    TDataSource source;
    source.SetDataSet(&query);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    auto* button = new TBtnPesquisa(&window);
    layout->addWidget(edit);
    layout->addWidget(button);
    button->SetTitle("Paciente|Não há paciente.");
    button->SetDataSource(&source);
    button->SetEdit(edit);
    QStringList events;
    query.AfterOpen = [&](TClientDataSet*) { events << "open"; };
    button->BeforePesq = [&] {
        events << "before";
        query.Close();
        query.ParamByName("P_EXCLUI")->SetAsString("P1");
    };
    button->AfterPesq = [&] { events << "after:" + edit->text(); };
    m_script->answerDialog([&](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        events << "list:" + pick.cellText(0, 0);
        pick.chooseRow(1);
        return int(QDialog::Accepted);
    });
    QVERIFY(showActive(window));
    edit->setFocus();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(events, (QStringList{"before", "open", "list:P2", "after:P3"}));
    QCOMPARE(QApplication::focusWidget(), edit); // the button never takes it

    events.clear();
    m_script->answerDialog(checkRows({}, false)); // cancelled
    button->click();
    QCOMPARE(events, (QStringList{"before", "open"}));
    QCOMPARE(edit->text(), QStringLiteral("P3"));

    // The code field may be another than the first; an empty list shows its text.
    button->SetCodeField("NMPACIENTE");
    m_script->answerDialog([](QDialog& dialog) {
        dynamic_cast<TPickListDialog&>(dialog).chooseRow(0);
        return int(QDialog::Accepted);
    });
    button->click();
    QCOMPARE(edit->text(), QStringLiteral("Bruno"));
    QVERIFY(sql.exec("DELETE FROM PACIENTE"));
    m_script->answer(mrOk);
    button->click();
    QCOMPARE(m_script->texts().last(), QStringLiteral("Não há paciente."));
    QCOMPARE(edit->text(), QStringLiteral("Bruno"));
    db.releaseThreadConnection();
}

void tst_Lookups::lookupButtonStopsWhenBeforePesqAborts() {
    TBtnPesquisa button;
    QLineEdit edit;
    button.SetDataSource(m_source.get());
    button.SetEdit(&edit);
    bool after = false;
    button.BeforePesq = [] { Abort(); };
    button.AfterPesq = [&] { after = true; };
    button.click();
    QCOMPARE(m_script->dialogsShown.size(), 0);
    QVERIFY(!after);
    QVERIFY(edit.text().isEmpty());
}

QTEST_MAIN(tst_Lookups)
#include "tst_lookups.moc"
