// The diet dialog's free composition on the real main screen against the real server: rows
// added by Insert and by moving past the last one, each checked and numbered, the dish-type
// and dish lookups, confirming with no row, and a typed row saved.

#include "dialogs/Cli_zfa13020.h"
#include "framework/lookups.h"
#include "framework/tradiogroup.h"
#include "tests/dialogs/dialogsupport.h"

#include <QAction>

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13020::TfrmDietaContAlimentar;

class tst_DietaLivre : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void confirmWithNoRowStopsOnTheDishType();
    void rowsAreCheckedAndNumbered();
    void lookupsFillTheRow();
    void typedRowIsSaved();

private:
    void typeInCell(const char* field, const QString& text);
    // A dish of the branch, typed without its mask's dots ("0301002"), and its name.
    QPair<QString, QString> dishOfType(const QString& type, int nth = 0);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    MainScreen screen;
    std::unique_ptr<TfrmDietaContAlimentar> dialog;
    QString patient;
};

void tst_DietaLivre::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    screen = openList(*fx, QStringLiteral("00010"));
    QVERIFY(screen.form);
    // A patient alone: the day's records read back are the patient's.
    const int row = patientRow(screen, [this](int r) { return !hasCompanion(screen, r); });
    QVERIFY(row >= 0);
    patient = screen.value(row, "CDPACIENTE");
    markRow(screen, row);
    dialog = showDialog<TfrmDietaContAlimentar>(screen);
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(QStringLiteral("10"));
    focusOn(dialog->rgpPaciente);
    QVERIFY2(fx->dialogs().texts().isEmpty(), qPrintable(fx->dialogs().texts().join('\n')));
    QVERIFY(dialog->cdsConfescoDieta->Active());
    fx->dialogs().clear();
}

void tst_DietaLivre::cleanup() {
    dialog.reset();
    screen = {};
    fx.reset();
}

QPair<QString, QString> tst_DietaLivre::dishOfType(const QString& type, int nth) {
    const QStringList dishes =
        dbColumn(*fx,
                 QStringLiteral("SELECT CDPRATO || '|' || NMPRATO FROM PRATO WHERE CDTIPOPRAT = ?"
                                " AND CDFILAUXPRAT IN ('0001', 'P') ORDER BY CDPRATO"),
                 {type});
    const QStringList dish = dishes.value(nth).split(u'|');
    return {QString(dish.value(0)).remove(u'.'), dish.value(1)};
}

void tst_DietaLivre::typeInCell(const char* field, const QString& text) {
    TDBGrid* grid = dialog->dbgConfesco;
    selectColumn(grid, field);
    QTest::keyClicks(grid, text.left(1));
    QVERIFY(grid->EditorMode());
    QTest::keyClicks(grid->InplaceEditor(), text.mid(1));
}

void tst_DietaLivre::confirmWithNoRowStopsOnTheDishType() {
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    QVERIFY(menu->Active());
    QCOMPARE(menu->RecordCount(), 0);
    QVERIFY(dialog->dbgConfesco->Editing());
    const QStringList before = dayRecords(*fx, patient);

    dialog->sbtConfirma->click();
    QCOMPARE(messages(), QStringList{"Tipo de prato deve ser informado."});
    QCOMPARE(menu->State(), dsInsert);
    QCOMPARE(dialog->dbgConfesco->SelectedField()->FieldName(), QStringLiteral("CDTIPOPRAT"));
    QCOMPARE(QApplication::focusWidget(), dialog->dbgConfesco);
    QCOMPARE(fieldText(menu, "IDESCOCONF"), QStringLiteral("S"));
    QCOMPARE(fieldText(menu, "IDOPCAOCONF"), QStringLiteral("N"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dayRecords(*fx, patient), before);
}

void tst_DietaLivre::rowsAreCheckedAndNumbered() {
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    const auto first = dishOfType(QStringLiteral("01"));
    const auto second = dishOfType(QStringLiteral("03"));
    const auto third = dishOfType(QStringLiteral("03"), 1);

    // Insert in the empty grid: a chosen, non-option row on its dish type.
    selectColumn(grid, "DSOBSCONF");
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(menu->State(), dsInsert);
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("CDTIPOPRAT"));

    // An unknown dish type and an unknown dish are refused on leaving their cells.
    typeInCell("CDTIPOPRAT", QStringLiteral("99"));
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
    QCOMPARE(messages(), QStringList{"Tipo de prato não cadastrado."});
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("CDTIPOPRAT"));
    fx->dialogs().clear();
    typeInCell("CDTIPOPRAT", QStringLiteral("1"));
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(fieldText(menu, "CDTIPOPRAT"), QStringLiteral("01")); // fitted to its size
    QCOMPARE(fieldText(menu, "NMTIPOPRAT"), QStringLiteral("Desjejum"));
    typeInCell("CDPRATO", QStringLiteral("9999999"));
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
    QCOMPARE(messages(), QStringList{"Prato não cadastrado."});
    fx->dialogs().clear();
    typeInCell("CDPRATO", first.first);
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
    QCOMPARE(fieldText(menu, "NMPRATO"), first.second);
    QCOMPARE(fieldText(menu, "CDFILAUXPRAT").isEmpty(), false);

    // Down on the last row posts it, numbered, and adds the next.
    QTest::keyClick(grid, Qt::Key_Down);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(menu->RecordCount(), 1);
    QCOMPARE(menu->State(), dsInsert);
    // Nothing written to the new row: Down adds no other.
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(menu->ViewCount(), 2);
    typeInCell("CDTIPOPRAT", QStringLiteral("3"));
    typeInCell("CDPRATO", second.first);
    // A row without its dish is not posted.
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Escape); // drops the editor's text only
    menu->FieldByName(u"CDPRATO")->Clear();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(messages(), QStringList{"Prato deve ser informado."});
    QCOMPARE(grid->SelectedField()->FieldName(), QStringLiteral("CDPRATO"));
    fx->dialogs().clear();
    typeInCell("CDPRATO", second.first);
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Down);
    QCOMPARE(menu->RecordCount(), 2);

    // The third row gets 3, fitted to four characters.
    typeInCell("CDTIPOPRAT", QStringLiteral("3"));
    typeInCell("CDPRATO", third.first);
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Up);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QCOMPARE(menu->RecordCount(), 3);
    QCOMPARE(menu->State(), dsBrowse);
    QCOMPARE(columnValues(menu, "CDSEQUCOPR"), (QStringList{"0001", "0002", "0003"}));
    QCOMPARE(columnValues(menu, "NMPRATO"),
             (QStringList{first.second, second.second, third.second}));
    QCOMPARE(columnValues(menu, "IDESCOCONF"), (QStringList{"S", "S", "S"}));
}

void tst_DietaLivre::lookupsFillTheRow() {
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    QTest::keyClick(grid, Qt::Key_Insert);
    QCOMPARE(menu->State(), dsInsert);
    const auto ellipsis = [grid] {
        QTest::keyClick(grid, Qt::Key_F2);
        auto* action = grid->InplaceEditor()
                           ? grid->InplaceEditor()->findChild<QAction*>(QStringLiteral("ellipsis"))
                           : nullptr;
        QVERIFY(action);
        action->trigger();
    };

    // Dish types: every one, the chosen one copied with its name.
    auto types = std::make_shared<QStringList>();
    fx->dialogs().answerDialog([types](QDialog& list) {
        auto& pick = dynamic_cast<TPickListDialog&>(list);
        for (int row = 0; row < pick.rowCount(); ++row)
            *types << pick.cellText(row, 0);
        pick.chooseRow(2);
        return int(QDialog::Accepted);
    });
    selectColumn(grid, "CDTIPOPRAT");
    ellipsis();
    QCOMPARE(*types, (QStringList{"01", "02", "03", "04", "05", "06", "07"}));
    QCOMPARE(fieldText(menu, "CDTIPOPRAT"), QStringLiteral("03"));
    QCOMPARE(fieldText(menu, "NMTIPOPRAT"), QStringLiteral("Almoço"));

    // Dishes usable in the service, complete codes of the mask's three levels.
    auto dishes = std::make_shared<QStringList>();
    fx->dialogs().answerDialog([dishes](QDialog& list) {
        auto& pick = dynamic_cast<TPickListDialog&>(list);
        for (int row = 0; row < pick.rowCount(); ++row)
            *dishes << pick.cellText(row, 0);
        pick.chooseRow(1);
        return int(QDialog::Accepted);
    });
    selectColumn(grid, "CDPRATO");
    ellipsis();
    QVERIFY(dishes->size() > 2);
    for (const QString& code : std::as_const(*dishes))
        QVERIFY2(code.count(u'.') == 2 && !code.endsWith(u'.'), qPrintable(code));
    QCOMPARE(fieldText(menu, "CDPRATO"), dishes->at(1));
    QVERIFY(!fieldText(menu, "NMPRATO").isEmpty());
    const QStringList branch =
        dbColumn(*fx,
                 QStringLiteral("SELECT CDFILAUXPRAT FROM PRATSERV WHERE CDFILIAL = '0001' AND"
                                " CDSERVFILI = '00010' AND CDPRATO = ?"),
                 {dishes->at(1)});
    QVERIFY(branch.contains(fieldText(menu, "CDFILAUXPRAT")));
    QCOMPARE(fx->dialogs().pendingAnswers(), 0);
}

void tst_DietaLivre::typedRowIsSaved() {
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    const auto dish = dishOfType(QStringLiteral("03"));
    QTest::keyClick(grid, Qt::Key_Insert);
    typeInCell("CDTIPOPRAT", QStringLiteral("03"));
    typeInCell("CDPRATO", dish.first);
    typeInCell("DSOBSCONF", QStringLiteral("sem pele"));
    // The editor stays open: confirming takes what it holds.
    QVERIFY(grid->EditorMode());
    QCOMPARE(menu->State(), dsInsert);

    fx->dialogs().answer(mrFirstCustom + 1); // "Não": the previous settings go
    dialog->sbtConfirma->click();
    QCOMPARE(messages(), (QStringList{"Deseja manter as configurações da dieta anterior?",
                                      "Controle alimentar foi realizado com sucesso."}));
    QCOMPARE(fx->dialogs().asked.at(0).captions, (QStringList{"Sim", "Não"}));
    QVERIFY(!dialog->isVisible());
    const QStringList records = dayRecords(*fx, patient);
    QCOMPARE(records.size(), 1);
    QVERIFY(records.first().endsWith(QStringLiteral("/0/0010")));
    const QStringList stored = dbColumn(
        *fx,
        QStringLiteral("SELECT CDSEQUCOPR || ' ' || CDTIPOPRAT || ' ' || CDPRATO || ' ' ||"
                       " IDESCOCONF || ' ' || DSOBSCONF FROM CONFESCO WHERE CDFILIAL = '0001'"
                       " AND CDPACIENTE = ? AND DTSERVINTE = ?"),
        {patient, ScreenFixture::today()});
    QCOMPARE(stored.size(), 1);
    QVERIFY2(stored.first().contains(QStringLiteral(" 03 ")) &&
                 stored.first().endsWith(QStringLiteral(" S sem pele")),
             qPrintable(stored.first()));
}

QTEST_MAIN(tst_DietaLivre)
#include "tst_dieta_livre.moc"
