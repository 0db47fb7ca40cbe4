// The diet-prescription calculation window run as the host runs it, against the real server
// over the demo hospital: the proposals listed, ticks one by one and all at once, "Gravar"
// writing exactly the ticked ones, cancel writing nothing, an operator who may not write, and
// a day with nothing to propose.

#include "framework/tdbgrid.h"
#include "framework/vantor.h"
#include "hostmodules/zfa80000/Cli_zfa80000.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/wirevalue.h"
#include "platform/tnetconnection.h"
#include "tests/support/hostenvironment.h"
#include "tests/support/sqlprobes.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace dieta;
using Cli_zfa80000::TfrmCalcPresDieta;

namespace {

const QString kPreviousDay = QStringLiteral("Dieta do dia anterior");
const QString kDiagnosis = QStringLiteral("Dieta padrão do diagnóstico");

QStringList column(TClientDataSet* ds, const char* field) {
    QStringList values;
    for (int row = 0; row < ds->ViewCount(); ++row)
        values << ds->RowValue(row, ds->FieldByName(QString::fromLatin1(field))).toString();
    return values;
}

} // namespace

class tst_CalcPresDieta : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listsTheProposalsTicked();
    void ticksOneByOneAndAllAtOnce();
    void gravarWritesTheTickedOnly();
    void cancelWritesNothing();
    void anOperatorWhoMayNotWriteOnlyReads();
    void nothingToProposeSaysSoAndCloses();
    void screenshot();

private:
    // Runs the window as the host's entry does and `body` on it once its list is loaded.
    // Returns the window's result, or -1 when it never showed a list.
    int withWindow(const std::function<void(TfrmCalcPresDieta&)>& body);
    DataPacket proposals();
    QStringList prescribed();
    void clickCell(TfrmCalcPresDieta& w, int row, bool twice);
    void clickMarkTitle(TfrmCalcPresDieta& w);

    std::unique_ptr<test::HostEnvironment> env;
};

void tst_CalcPresDieta::init() {
    env = std::make_unique<test::HostEnvironment>();
    QVERIFY2(env->ok(), qPrintable(env->error()));
}

void tst_CalcPresDieta::cleanup() {
    env.reset();
}

int tst_CalcPresDieta::withWindow(const std::function<void(TfrmCalcPresDieta&)>& body) {
    auto result = std::make_shared<int>(-1);
    env->dialogs().answerDialog([body, result](QDialog& dialog) {
        auto* w = qobject_cast<TfrmCalcPresDieta*>(&dialog);
        if (!w)
            return int(QDialog::Rejected);
        w->show();
        w->activateWindow();
        // The list loads at the first activation, delivered after the window shows; with
        // nothing to propose the window closes there.
        if (!QTest::qWaitFor([w] { return !w->isVisible() || w->cdsProposta->RecordCount() > 0; },
                             5000))
            return int(QDialog::Rejected);
        if (w->isVisible()) {
            body(*w);
            if (w->isVisible())
                w->Close();
        }
        *result = w->result();
        return w->result();
    });
    Cli_zfa80000::CriaCalcPresDieta(QStringLiteral("0001"), QStringLiteral("Hospital Central"));
    return *result;
}

DataPacket tst_CalcPresDieta::proposals() {
    return toPacket(env->server().connection().call(QStringLiteral("GetPropPresDieta"),
                                                    {"0001", test::HostEnvironment::today()}));
}

QStringList tst_CalcPresDieta::prescribed() {
    return test::columnOf(env->server().database(),
                          "SELECT CDPACIENTE || '/' || CDDIETPAD FROM PRESDIET"
                          " WHERE CDFILIAL = '0001' AND DTPRESDIET = :D ORDER BY CDPACIENTE",
                          {{"D", test::HostEnvironment::today()}});
}

void tst_CalcPresDieta::clickCell(TfrmCalcPresDieta& w, int row, bool twice) {
    TDBGrid* grid = w.dbgPadrao;
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void tst_CalcPresDieta::clickMarkTitle(TfrmCalcPresDieta& w) {
    QHeaderView* header = w.dbgPadrao->horizontalHeader();
    const int section = w.dbgPadrao->ColumnIndex(QStringLiteral("IDCHECK"));
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void tst_CalcPresDieta::listsTheProposalsTicked() {
    const DataPacket expected = proposals();
    QVERIFY(expected.rows.size() >= 2);
    const int result = withWindow([&](TfrmCalcPresDieta& w) {
        TClientDataSet* list = w.cdsProposta;
        QCOMPARE(list->RecordCount(), int(expected.rows.size()));
        QCOMPARE(column(list, "IDCHECK"), QStringList(expected.rows.size(), QStringLiteral("S")));
        for (const QString& origin : column(list, "DSORIGEM"))
            QVERIFY2(origin == kPreviousDay || origin == kDiagnosis, qPrintable(origin));
        QCOMPARE(w.lblFilial->text(), QStringLiteral("Filial: 0001 - Hospital Central"));
        QCOMPARE(w.lblDia->text(),
                 "Data: " + test::HostEnvironment::today().toString(QStringLiteral("dd/MM/yyyy")));
        QVERIFY(w.btnGravar->isEnabled() && w.sbtConfirmar->isEnabled());
        QVERIFY(!w.sbtIncluir->isEnabled() && !w.sbtExcluir->isEnabled());
        // Every visible column's title and texts read in full.
        const QFontMetrics titles(w.dbgPadrao->horizontalHeader()->font());
        const QFontMetrics cells(w.dbgPadrao->font());
        QAbstractItemModel* model = w.dbgPadrao->model();
        for (int i = 1; i < model->columnCount(); ++i) {
            const QString title = model->headerData(i, Qt::Horizontal).toString();
            QVERIFY2(w.dbgPadrao->columnWidth(i) >= titles.horizontalAdvance(title),
                     qPrintable(title));
            for (int row = 0; row < model->rowCount(); ++row) {
                const QString text = model->index(row, i).data().toString();
                QVERIFY2(w.dbgPadrao->columnWidth(i) >= cells.horizontalAdvance(text) + 8,
                         qPrintable(text));
            }
        }
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY2(env->dialogs().texts().isEmpty(), qPrintable(env->dialogs().texts().join(u'\n')));
}

void tst_CalcPresDieta::ticksOneByOneAndAllAtOnce() {
    withWindow([&](TfrmCalcPresDieta& w) {
        TClientDataSet* list = w.cdsProposta;
        const int rows = list->RecordCount();
        clickCell(w, 1, true);
        QCOMPARE(column(list, "IDCHECK").count("N"), 1);
        QCOMPARE(column(list, "IDCHECK").at(1), QStringLiteral("N"));
        QCOMPARE(w.lblTotal->text(),
                 QStringLiteral("%1 proposta(s), %2 marcada(s)").arg(rows).arg(rows - 1));
        // Space ticks the current row again.
        QTest::keyClick(w.dbgPadrao, Qt::Key_Space);
        QCOMPARE(column(list, "IDCHECK").count("N"), 0);
        // The title: with one unticked, ticks all; with all ticked, unticks all.
        clickCell(w, 0, true);
        clickMarkTitle(w);
        QCOMPARE(column(list, "IDCHECK"), QStringList(rows, QStringLiteral("S")));
        clickMarkTitle(w);
        QCOMPARE(column(list, "IDCHECK"), QStringList(rows, QStringLiteral("N")));
        QCOMPARE(list->RecNo(), 1);
        // Nothing ticked: "Gravar" says so and writes nothing.
        w.btnGravar->click();
        QCOMPARE(env->dialogs().texts(), QStringList{"Nenhuma proposta marcada."});
        QVERIFY(w.isVisible());
    });
}

void tst_CalcPresDieta::gravarWritesTheTickedOnly() {
    const QStringList before = prescribed();
    QStringList unticked;
    QStringList ticked;
    env->dialogs().answer(mrYes);
    const int result = withWindow([&](TfrmCalcPresDieta& w) {
        clickCell(w, 0, true);
        const QStringList patients = column(w.cdsProposta, "CDPACIENTE");
        const QStringList diets = column(w.cdsProposta, "CDDIETPAD");
        unticked << patients.at(0);
        for (int i = 1; i < patients.size(); ++i)
            ticked << patients.at(i) + u'/' + diets.at(i);
        w.btnGravar->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Gravadas(), int(ticked.size()));
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(env->dialogs().texts(),
             (QStringList{QStringLiteral("Confirma a gravação de %1 prescrição(ões) de dieta?")
                              .arg(ticked.size()),
                          QStringLiteral("%1 prescrição(ões) de dieta gravada(s) com sucesso.")
                              .arg(ticked.size())}));
    QStringList expected = before + ticked;
    expected.sort();
    QCOMPARE(prescribed(), expected);
    // The unticked one is still proposed, and only it.
    const DataPacket left = proposals();
    QCOMPARE(left.rows.size(), 1);
    QCOMPARE(left.value(0, u"CDPACIENTE").toString(), unticked.at(0));
}

void tst_CalcPresDieta::cancelWritesNothing() {
    const QStringList before = prescribed();
    // Answering No to the confirmation, then the cancel button.
    env->dialogs().answer(mrNo);
    withWindow([&](TfrmCalcPresDieta& w) {
        w.btnGravar->click();
        QVERIFY(w.isVisible());
        w.btnCancelar->click();
        QVERIFY(!w.isVisible());
    });
    QCOMPARE(prescribed(), before);
    QCOMPARE(env->dialogs().asked.size(), 1);
}

void tst_CalcPresDieta::anOperatorWhoMayNotWriteOnlyReads() {
    HostValues values = Vantor::host();
    values.operador = QStringLiteral("ADMIN01");
    Vantor::setHost(values);
    // Another operator at the host is another login.
    TNetConnection::setProcessSession(env->server().sessionOf(QStringLiteral("ADMIN01")));
    const QStringList before = prescribed();
    withWindow([&](TfrmCalcPresDieta& w) {
        QVERIFY(w.cdsProposta->RecordCount() > 0);
        QVERIFY(!w.btnGravar->isEnabled() && !w.sbtConfirmar->isEnabled());
    });
    QCOMPARE(env->dialogs().texts(),
             QStringList{"Operador não está cadastrado como nutricionista desta filial: as "
                         "propostas podem ser consultadas, mas não gravadas."});
    QVERIFY(env->dialogs().asked.constFirst().kind == MsgKind::Warning);
    QCOMPARE(prescribed(), before);
}

void tst_CalcPresDieta::nothingToProposeSaysSoAndCloses() {
    const QVariant written = env->server().connection().call(
        QStringLiteral("SetPropPresDieta"), {"0001", test::HostEnvironment::today(),
                                             QStringLiteral("NUTRI01"), fromPacket(proposals())});
    QVERIFY2(isPacket(written), qPrintable(serverErrorText(written)));
    QVERIFY(proposals().rows.isEmpty());
    const int result = withWindow([](TfrmCalcPresDieta&) { QFAIL("the window listed proposals"); });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(env->dialogs().texts().size(), 1);
    QVERIFY(env->dialogs().texts().constFirst().startsWith(
        QStringLiteral("Não há prescrição de dieta a propor para %1")
            .arg(test::HostEnvironment::today().toString(QStringLiteral("dd/MM/yyyy")))));
}

void tst_CalcPresDieta::screenshot() {
    const QString output = qEnvironmentVariable("DIETA_SCREENSHOT");
    if (output.isEmpty())
        QSKIP("DIETA_SCREENSHOT is not set");
    withWindow([&](TfrmCalcPresDieta& w) {
        w.resize(1180, 440);
        for (int row : {1, 4})
            if (row < w.cdsProposta->RecordCount())
                clickCell(w, row, true);
        clickCell(w, 2, false);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(w.grab().save(output));
    });
}

QTEST_MAIN(tst_CalcPresDieta)
#include "tst_calcpresdieta.moc"
