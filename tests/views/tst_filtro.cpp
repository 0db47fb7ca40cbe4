// The inpatient filter opened from the main screen against the real server: what its
// confirmation sends and reloads, its checks in order, the lists it keeps or clears, the
// diagnoses fetched once, the configuration check by mode, its life beside the screen, and a
// reload that fails.

#include "framework/tbtnpesquisa.h"
#include "framework/tdbgrid.h"
#include "platform/tdatasource.h"
#include "tests/views/windowsupport.h"
#include "views/Cli_zfa13100.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QToolButton>

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13100::TfrmFiltro;

namespace {

const QString kAndarInf = QStringLiteral("Andar deve ser informado.");
const QString kAlaInf = QStringLiteral("Ala deve ser informada.");
const QString kDiagInf = QStringLiteral("Diagnóstico deve ser informado.");
const QString kPadrInf = QStringLiteral("Padrão de internação deve ser informado.");
const QString kConfiInf =
    QStringLiteral("Não existe configuração padrão para o serviço informado.");

QString param(const char* name) {
    return screen().listParams()->FieldByName(QString::fromLatin1(name))->AsString();
}

QStringList listParams() {
    QStringList values;
    for (const char* name : {"CDSERPADDIE", "CDALA", "CDANDAR", "CDDIAGNOST", "IDTIPOPACI"})
        values << param(name);
    return values;
}

QSet<QString> patientsShown() {
    const QStringList patients = column(screen().inpatients(), "CDPACIENTE");
    return QSet<QString>(patients.begin(), patients.end());
}

} // namespace

class tst_Filtro : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void allTodosSendsTFiveTimes();
    void criteriaNarrowTheList();
    void listaWithoutListStopsInOrder();
    void listaToTodosAndBackClearsTheList();
    void diagnosesAreFetchedOnce();
    void configurationCheckedOnlyInServiceMode();
    void keepsItsChoicesAndDiesWithTheScreen();
    void failedCallsKeepTheWindowAndTheGrid();

private:
    void openFilter(std::function<void(TfrmFiltro&)> body);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    QWidget* form = nullptr;
};

void tst_Filtro::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    form = openWithList(*fx);
    QVERIFY(form);
}

void tst_Filtro::cleanup() {
    form = nullptr;
    fx.reset();
}

void tst_Filtro::openFilter(std::function<void(TfrmFiltro&)> body) {
    whileShown<TfrmFiltro>(*fx, std::move(body));
    part<QToolButton>(form, "sbtFiltro")->click();
    QCOMPARE(fx->dialogs().pendingAnswers(), 0);
}

void tst_Filtro::allTodosSendsTFiveTimes() {
    const int rows = screen().inpatients()->RecordCount();
    screen().inpatients()->Last();
    bool closed = false;
    openFilter([&](TfrmFiltro& f) {
        QVERIFY(f.rbtAndarTodos->isChecked() && f.rbtAlaTodos->isChecked() &&
                f.rbtDiagTodos->isChecked() && f.rbtPadrTodos->isChecked());
        QVERIFY(f.chbTodos->isChecked());
        QVERIFY(!f.cbbTipo->isEnabled());
        for (TBtnPesquisa* b : {f.sbtAndar, f.sbtAla, f.sbtDiag, f.sbtPadr}) {
            QVERIFY(!b->isEnabled());
            QCOMPARE(b->toolTip(), QStringLiteral("Pesquisar"));
        }
        f.sbtConfirma->click();
        closed = !f.isVisible();
    });
    QVERIFY(messages().isEmpty());
    QVERIFY(closed);
    QCOMPARE(listParams(), QStringList(5, QStringLiteral("T")));
    QCOMPARE(screen().listParams()->FieldByName(u"DTSERVINTE")->AsDate(), ScreenFixture::today());
    QCOMPARE(param("CDSERVFILI"), QStringLiteral("00010"));
    QCOMPARE(param("CDFILIAL"), QStringLiteral("0001"));
    // The list came again, on its first row, with the grid on it.
    QCOMPARE(screen().inpatients()->RecordCount(), rows);
    QCOMPARE(screen().inpatients()->RecNo(), 1);
    auto* grid = part<TDBGrid>(form, "dbgPadrao");
    QCOMPARE(grid->DataSource(), part<TDataSource>(form, "dtsInternacao"));
    QCOMPARE(grid->model()->rowCount(), rows);
}

void tst_Filtro::criteriaNarrowTheList() {
    const QStringList patients = column(screen().inpatients(), "CDPACIENTE");
    QVERIFY(patients.size() >= 3);
    const QString athlete = patients.at(0);
    const QString infant = patients.last();
    fx->exec("UPDATE INTERNA SET IDTIPOPACI = '3', CDSERPADDIE = 'ENF'");
    fx->exec("UPDATE INTERNA SET IDTIPOPACI = '7' WHERE CDPACIENTE = ?", {athlete});
    fx->exec("UPDATE INTERNA SET IDTIPOPACI = '0', CDSERPADDIE = 'UTI' WHERE CDPACIENTE = ?",
             {infant});

    openFilter([&](TfrmFiltro& f) {
        f.chbTodos->click();
        QVERIFY(f.cbbTipo->isEnabled());
        QCOMPARE(f.stTipoPaci, QString());
        f.cbbTipo->setCurrentIndex(7);
        QCOMPARE(f.cbbTipo->currentText(), QStringLiteral("Atleta"));
        f.sbtConfirma->click();
    });
    QCOMPARE(param("IDTIPOPACI"), QStringLiteral("7"));
    QCOMPARE(patientsShown(), QSet<QString>{athlete});

    const QString floor = dbColumn(*fx,
                                   "SELECT L.CDANDAR FROM INTERNA I JOIN LEITO L ON L.CDFILIAL = "
                                   "I.CDFILIAL AND L.CDLEITO = I.CDLEITO WHERE I.CDPACIENTE = ?",
                                   {infant})
                              .value(0);
    QVERIFY(!floor.isEmpty());
    openFilter([&](TfrmFiltro& f) {
        f.cbbTipo->setCurrentIndex(0);
        QCOMPARE(f.cbbTipo->currentText(), QStringLiteral("Lactente"));
        f.rbtPadrLista->click();
        fx->dialogs().answerDialog(pickCodes({"UTI"}));
        f.sbtPadr->click();
        QCOMPARE(f.stPadr, QStringLiteral("_UTI_"));
        fx->dialogs().answerDialog(pickCodes({floor}));
        f.rbtAndarLista->click();
        f.sbtAndar->click();
        f.sbtConfirma->click();
    });
    QCOMPARE(listParams(), (QStringList{"_UTI_", "T", "_" + floor + "_", "T", "0"}));
    QCOMPARE(patientsShown(), QSet<QString>{infant});
    QVERIFY(messages().isEmpty());
}

void tst_Filtro::listaWithoutListStopsInOrder() {
    const QString diagnosis = dbColumn(*fx, "SELECT MIN(CDDIAGNOST) FROM DIAGNOST").value(0);
    openFilter([&](TfrmFiltro& f) {
        for (QRadioButton* lista : {f.rbtAndarLista, f.rbtAlaLista, f.rbtDiagLista, f.rbtPadrLista})
            lista->click();
        for (TBtnPesquisa* b : {f.sbtAndar, f.sbtAla, f.sbtDiag, f.sbtPadr})
            QVERIFY(b->isEnabled());
        const struct {
            QRadioButton* lista;
            TBtnPesquisa* button;
            QString code;
        } groups[] = {{f.rbtAndarLista, f.sbtAndar, "01"},
                      {f.rbtAlaLista, f.sbtAla, "A"},
                      {f.rbtDiagLista, f.sbtDiag, diagnosis},
                      {f.rbtPadrLista, f.sbtPadr, "ENF"}};
        for (const auto& g : groups) {
            f.sbtConfirma->click();
            QVERIFY(f.isVisible());
            QCOMPARE(f.focusWidget(), static_cast<QWidget*>(g.lista));
            fx->dialogs().answerDialog(pickCodes({g.code}));
            g.button->click();
        }
        f.sbtConfirma->click();
    });
    QCOMPARE(messages(), (QStringList{kAndarInf, kAlaInf, kDiagInf, kPadrInf}));
    QCOMPARE(listParams(), (QStringList{"_ENF_", "_A_", "_01_", "_" + diagnosis + "_", "T"}));
}

void tst_Filtro::listaToTodosAndBackClearsTheList() {
    openFilter([&](TfrmFiltro& f) {
        f.rbtAlaLista->click();
        fx->dialogs().answerDialog(pickCodes({"A", "B"}));
        f.sbtAla->click();
        QCOMPARE(f.stAla, QStringLiteral("_A_B_"));
        f.rbtAlaTodos->click();
        QVERIFY(f.stAla.isEmpty());
        QVERIFY(!f.sbtAla->isEnabled());
        f.rbtAlaLista->click();
        QVERIFY(f.stAla.isEmpty());
        f.sbtConfirma->click();
        QVERIFY(f.isVisible());
        // A cancelled pick list leaves the list as it was.
        fx->dialogs().answerDialog([](QDialog&) { return int(QDialog::Rejected); });
        f.sbtAla->click();
        f.sbtConfirma->click();
        f.sbtFecha->click();
    });
    QCOMPARE(messages(), (QStringList{kAlaInf, kAlaInf}));
    QCOMPARE(listParams(), QStringList(5, QStringLiteral("T")));
}

void tst_Filtro::diagnosesAreFetchedOnce() {
    const QStringList stored = dbColumn(*fx, "SELECT CDDIAGNOST FROM DIAGNOST ORDER BY CDDIAGNOST");
    QVERIFY(!stored.isEmpty());
    QStringList first;
    QStringList second;
    openFilter([&](TfrmFiltro& f) {
        QVERIFY(!f.cdsDiagnost->Active());
        f.rbtDiagLista->click();
        fx->dialogs().answerDialog(pickCodes({stored.first()}, &first));
        f.sbtDiag->click();
        // Diagnoses registered meanwhile do not reach a window that has its list.
        fx->exec("INSERT INTO DIAGNOST (CDDIAGNOST, NMDIAGNOST) VALUES ('ZZ999', 'Novo')");
        fx->dialogs().answerDialog(pickCodes({stored.first()}, &second));
        f.sbtDiag->click();
        f.sbtFecha->click();
    });
    QStringList third;
    openFilter([&](TfrmFiltro& f) {
        QCOMPARE(f.stDiag, "_" + stored.first() + "_");
        fx->dialogs().answerDialog(pickCodes({}, &third));
        f.sbtDiag->click();
        f.sbtFecha->click();
    });
    QCOMPARE(first, stored);
    QCOMPARE(second, stored);
    QCOMPARE(third, stored);
    QVERIFY(messages().isEmpty());
}

void tst_Filtro::configurationCheckedOnlyInServiceMode() {
    fx->exec("DELETE FROM CONFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00010'");
    bool closed = false;
    openFilter([&](TfrmFiltro& f) {
        f.chbTodos->click();
        f.sbtConfirma->click();
        closed = !f.isVisible();
    });
    QCOMPARE(messages(), QStringList{kConfiInf});
    QVERIFY(closed);
    QCOMPARE(form->focusWidget(), part<QWidget>(form, "medCdServico"));
    QVERIFY(screen().confCard()->Active() && screen().confCard()->IsEmpty());
    QCOMPARE(listParams(), QStringList(5, QStringLiteral("T")));

    // A group has no configuration of its own: none is asked for.
    fx->dialogs().clear();
    fx->exec("DELETE FROM CONFCARD");
    QVERIFY(loadGroup(*fx, form, QStringLiteral("001")));
    const int rows = screen().inpatients()->RecordCount();
    QVERIFY(rows > 0);
    openFilter([&](TfrmFiltro& f) {
        QVERIFY(!f.chbTodos->isChecked());
        f.cbbTipo->setCurrentIndex(3);
        f.sbtConfirma->click();
        closed = !f.isVisible();
    });
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QVERIFY(closed);
    QCOMPARE(param("CDSERVFILI"), QStringLiteral("001"));
    QCOMPARE(param("IDTIPOPACI"), QStringLiteral("3"));
}

void tst_Filtro::keepsItsChoicesAndDiesWithTheScreen() {
    QPointer<TfrmFiltro> window;
    openFilter([&](TfrmFiltro& f) {
        window = &f;
        f.rbtAndarLista->click();
        fx->dialogs().answerDialog(pickCodes({"01"}));
        f.sbtAndar->click();
        f.chbTodos->click();
        f.cbbTipo->setCurrentIndex(4);
        f.sbtFecha->click();
    });
    QVERIFY(screen().filtroCriado());
    // Closing confirms nothing.
    QCOMPARE(listParams(), QStringList(5, QStringLiteral("T")));
    openFilter([&](TfrmFiltro& f) {
        QCOMPARE(&f, window.data());
        QVERIFY(f.rbtAndarLista->isChecked());
        QVERIFY(f.sbtAndar->isEnabled());
        QCOMPARE(f.stAndar, QStringLiteral("_01_"));
        QVERIFY(!f.chbTodos->isChecked());
        QVERIFY(f.cbbTipo->isEnabled());
        QCOMPARE(f.cbbTipo->currentIndex(), 4);
        f.sbtConfirma->click();
    });
    QCOMPARE(listParams(), (QStringList{"T", "T", "_01_", "T", "4"}));
    QVERIFY(window);
    QCOMPARE(window->Filtro.dados.andar.valor, QStringLiteral("_01_"));
    QCOMPARE(window->Filtro.dados.tipoPaciente, QString());

    // The screen's close frees the window; a new screen starts from a new one.
    fx->closeScreen();
    QVERIFY(window.isNull());
    QVERIFY(!Cli_zfa13100::frmFiltro);
    form = openWithList(*fx);
    QVERIFY(form);
    QVERIFY(!screen().filtroCriado());
    openFilter([&](TfrmFiltro& f) {
        QVERIFY(f.rbtAndarTodos->isChecked());
        QVERIFY(f.stAndar.isEmpty());
        QVERIFY(f.chbTodos->isChecked());
        QCOMPARE(f.cbbTipo->currentIndex(), 0);
        f.sbtFecha->click();
    });
    QVERIFY(screen().filtroCriado());
    QVERIFY(messages().isEmpty());
}

void tst_Filtro::failedCallsKeepTheWindowAndTheGrid() {
    const QStringList before = column(screen().inpatients(), "CDPACIENTE");
    auto* grid = part<TDBGrid>(form, "dbgPadrao");
    auto* source = part<TDataSource>(form, "dtsInternacao");
    const int livePort = fx->server().port();
    pointConnectionAt(deadPort());

    // Service mode: the configuration cannot be read, nothing else changes.
    openFilter([&](TfrmFiltro& f) {
        f.rbtAndarLista->click();
        fx->dialogs().answerDialog(pickCodes({"01"}));
        f.sbtAndar->click();
        f.sbtConfirma->click();
        QVERIFY(f.isVisible());
        f.sbtFecha->click();
    });
    QCOMPARE(messages().size(), 1);
    QVERIFY2(messages().at(0).startsWith(QStringLiteral("Servidor de aplicação não respondeu")),
             qPrintable(messages().at(0)));
    QCOMPARE(listParams(), QStringList(5, QStringLiteral("T")));

    // Group mode: the list cannot be read; the grid is on the old list again.
    pointConnectionAt(livePort);
    QVERIFY(loadGroup(*fx, form, QStringLiteral("001")));
    const QStringList groupList = column(screen().inpatients(), "CDPACIENTE");
    pointConnectionAt(deadPort());
    fx->dialogs().clear();
    openFilter([&](TfrmFiltro& f) {
        // The choices of the window closed unconfirmed are still there: floor "01".
        f.sbtConfirma->click();
        QVERIFY(f.isVisible());
        QCOMPARE(column(screen().inpatients(), "CDPACIENTE"), groupList);
        QCOMPARE(grid->DataSource(), source);
        QCOMPARE(grid->model()->rowCount(), groupList.size());
        QCOMPARE(param("CDANDAR"), QStringLiteral("_01_"));
        QCOMPARE(f.Filtro.dados.andar.lista, false);

        pointConnectionAt(livePort);
        f.sbtConfirma->click();
        QVERIFY(!f.isVisible());
        QCOMPARE(f.Filtro.dados.andar.lista, true);
    });
    QCOMPARE(messages().size(), 1);
    QVERIFY(messages().at(0).startsWith(QStringLiteral("Servidor de aplicação não respondeu")));
    QCOMPARE(grid->DataSource(), source);
    QCOMPARE(grid->model()->rowCount(), screen().inpatients()->RecordCount());
    QVERIFY(!before.isEmpty() && !groupList.isEmpty());
}

QTEST_MAIN(tst_Filtro)
#include "tst_filtro.moc"
