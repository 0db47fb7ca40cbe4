// The day's proposed diet prescriptions and their writing through the real server: where each
// proposal comes from, what is never proposed, the write with its audit, the refusals, and a
// prescription that appears between the reading and the writing.
//
// On top of the dialogs' small hospital (dialogfixture.h): D01 calls for diet 0001, D02 for
// 0002. P001 (00010) had diet 0002 yesterday (its companion 0004) and has D01; P005 (00020,
// which allows only 0001) has D02 then D01; P006 (00010, bed L203) has neither a record nor a
// diagnosis; P007 (00010, bed L204) came in today, has D02 and a record of yesterday from an
// earlier stay. P002 and P003 are prescribed today; P004 has left.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/storage/authorization.h"
#include "tests/server/methods_dialogs/dialogfixture.h"
#include "tests/support/seededserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace dieta;
using namespace dieta::test;

namespace {

QStringList rowsOf(const DataPacket& packet, const QStringList& fields) {
    QStringList rows;
    for (int row = 0; row < packet.rows.size(); ++row) {
        QStringList cells;
        for (const QString& field : fields)
            cells.append(packet.value(row, field).toString());
        rows.append(cells.join(u'/'));
    }
    return rows;
}

const QStringList kShown = {"CDPACIENTE", "CDLEITO",  "NMSERVICO", "CDDIETPAD",
                            "DSDIETPAD",  "IDORIGEM", "DSORIGEM",  "CDDIAGNOST"};

void seedCalculation(SqlDatabase& db, QDate today) {
    seedDialogHospital(db, today);
    const QDate admission = today.addDays(-10);
    execOn(db,
           "INSERT INTO DIAGDIET (CDDIAGNOST, CDDIETPAD) VALUES ('D01', '0001'), ('D02', '0002')");
    execOn(db, "INSERT INTO LEITO (CDFILIAL, CDLEITO, NMLEITO, CDALA, CDANDAR, CDSERVFILI) VALUES"
               " ('0001', 'L203', 'Leito 203', 'B', '02', '00010'),"
               " ('0001', 'L204', 'Leito 204', 'B', '02', '00010')");
    execOn(db, "INSERT INTO PACIENTE (CDPACIENTE, NMPACIENTE) VALUES ('P006', 'Fábio'),"
               " ('P007', 'Gil')");
    const QString stay = QStringLiteral(
        "INSERT INTO INTERNA (CDFILIAL, CDPACIENTE, DTINTERNA, CDSERVFILI, CDLEITO, CDSERPADDIE,"
        " IDTIPOPACI, IDACOMPANH) VALUES ('0001', :P, :D, '00010', :L, '001', '3', 'N')");
    execOn(db, stay, {{"P", "P006"}, {"D", admission}, {"L", "L203"}});
    execOn(db, stay, {{"P", "P007"}, {"D", today}, {"L", "L204"}});
    const QString diagnosis =
        QStringLiteral("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG,"
                       " CDDIAGNOST) VALUES ('0001', :P, :D, :N, :C)");
    execOn(db, diagnosis, {{"P", "P001"}, {"D", admission}, {"N", 1}, {"C", "D01"}});
    execOn(db, diagnosis, {{"P", "P005"}, {"D", admission}, {"N", 1}, {"C", "D02"}});
    execOn(db, diagnosis, {{"P", "P005"}, {"D", admission}, {"N", 2}, {"C", "D01"}});
    execOn(db, diagnosis, {{"P", "P007"}, {"D", today}, {"N", 1}, {"C", "D02"}});
    const QDate yesterday = today.addDays(-1);
    addDayRecord(db, "P001", yesterday, "01", "1", "00010", "0004", {});
    addDayRecord(db, "P001", yesterday, "02", "0", "00010", "0002", {});
    addDayRecord(db, "P007", yesterday, "01", "0", "00010", "0003", {});
}

QStringList prescriptionsOf(SqlDatabase& db, QDate day) {
    return columnOf(db,
                    "SELECT CDPACIENTE || '/' || CDDIETPAD || '/' || COALESCE(DSPRESDIET, '-')"
                    " FROM PRESDIET WHERE DTPRESDIET = :D ORDER BY CDPACIENTE",
                    {{"D", day}});
}

} // namespace

class tst_PresCalc : public QObject {
    Q_OBJECT

private:
    const QDate today = QDate::currentDate();

    QVariant propose(TNetConnection& net, const QString& branch, QDate day) {
        return net.call(QStringLiteral("GetPropPresDieta"), {branch, day});
    }
    QVariant write(TNetConnection& net, const DataPacket& proposals,
                   const QString& operatorCode = QStringLiteral("NUTRI01")) {
        return net.call(QStringLiteral("SetPropPresDieta"),
                        {"0001", today, operatorCode, fromPacket(proposals)});
    }
    static void tick(DataPacket& packet, const QString& patient, const QString& mark) {
        for (Row& row : packet.rows)
            if (row[packet.fieldIndex(u"CDPACIENTE")] == patient)
                row[packet.fieldIndex(u"IDCHECK")] = mark;
    }

private slots:
    void proposesFromTheDayBeforeElseADiagnosis_data() { addEngineRows(); }
    void proposesFromTheDayBeforeElseADiagnosis() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedCalculation, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        const QVariant result = propose(net, "0001", today);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        // P001: its own record, not the companion's, and before its diagnosis. P005: D02's diet
        // is not served in Cirurgia, so D01's. P007: yesterday's record is of another stay.
        QCOMPARE(
            rowsOf(toPacket(result), kShown),
            (QStringList{"P001/L101/Clínica/0002/Dieta Branda/A/Dieta do dia anterior/",
                         "P005/L202/Cirurgia/0001/Dieta Geral/D/Dieta padrão do diagnóstico/D01",
                         "P007/L204/Clínica/0002/Dieta Branda/D/Dieta padrão do diagnóstico/D02"}));
        QCOMPARE(rowsOf(toPacket(result), {"IDCHECK", "NMPACIENTE", "NMDIAGNOST"}),
                 (QStringList{"S/Ana/", "S/Eva/Diabetes", "S/Gil/Hipertensão"}));
        QCOMPARE(toPacket(result).value(0, u"DTINTERNA").toDateTime().date(), today.addDays(-10));

        // Tomorrow nobody is prescribed and nobody has a record of the day before: only the
        // stays with a diagnosis that calls for a diet get a proposal.
        QCOMPARE(rowsOf(toPacket(propose(net, "0001", today.addDays(1))),
                        {"CDPACIENTE", "IDORIGEM", "CDDIETPAD"}),
                 (QStringList{"P001/D/0001", "P005/D/0001", "P007/D/0002"}));
        // Admitted yesterday instead, P007's record of yesterday is of this stay.
        for (const char* table : {"INTERNA", "DIAGINTER"})
            execOn(server->database(),
                   QStringLiteral("UPDATE %1 SET DTINTERNA = :Y WHERE CDPACIENTE = 'P007'")
                       .arg(QString::fromLatin1(table)),
                   {{"Y", today.addDays(-1)}});
        QCOMPARE(
            rowsOf(toPacket(propose(net, "0001", today)), {"CDPACIENTE", "IDORIGEM", "CDDIETPAD"})
                .constLast(),
            QStringLiteral("P007/A/0003"));

        QVERIFY(toPacket(propose(net, "0002", today)).rows.isEmpty());
        QCOMPARE(serverErrorText(propose(net, "", today)),
                 QStringLiteral("Filial deve ser informada."));
        QVERIFY(!serverErrorText(propose(net, "00001", today)).isEmpty());
    }

    void writesTheTickedProposalsWithTheirAudit_data() { addEngineRows(); }
    void writesTheTickedProposalsWithTheirAudit() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedCalculation, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        DataPacket proposals = toPacket(propose(net, "0001", today));
        tick(proposals, "P005", "N");
        const QVariant result = write(net, proposals);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(
            rowsOf(toPacket(result), kShown),
            (QStringList{"P001/L101/Clínica/0002/Dieta Branda/A/Dieta do dia anterior/",
                         "P007/L204/Clínica/0002/Dieta Branda/D/Dieta padrão do diagnóstico/D02"}));
        QCOMPARE(prescriptionsOf(db, today), (QStringList{"P001/0002/-", "P002/0001/Sem sal",
                                                          "P003/0006/Jejum", "P007/0002/-"}));
        QCOMPARE(columnOf(db, "SELECT DSPACIENTES FROM AUDIT WHERE NMMETODO = 'SetPropPresDieta'"),
                 QStringList{"_P001_P007_"});
        const QJsonObject changes =
            QJsonDocument::fromJson(
                columnOf(db, "SELECT DSALTERACAO FROM AUDIT WHERE NMMETODO = 'SetPropPresDieta'")
                    .value(0)
                    .toUtf8())
                .object();
        QCOMPARE(changes.value("prescricoes").toArray().size(), 2);
        QCOMPARE(changes.value("prescricoes").toArray().at(1).toObject().value("origem").toString(),
                 QStringLiteral("D"));
        // What is written is no longer proposed; the prescription window lists it.
        QCOMPARE(rowsOf(toPacket(propose(net, "0001", today)), {"CDPACIENTE"}),
                 QStringList{"P005"});
        QVariantList args{"0001", "S", fromPacket(listParams("0001", "00010", today))};
        QCOMPARE(rowsOf(toPacket(net.call(QStringLiteral("GetPrescricao"), args)),
                        {"CDPACIENTE", "CDDIETPAD"}),
                 (QStringList{"P001/0002", "P002/0001", "P003/0006", "P007/0002"}));
    }

    void refusesWhoMayNotWriteAndBadProposals_data() { addEngineRows(); }
    void refusesWhoMayNotWriteAndBadProposals() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedCalculation, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const DataPacket proposals = toPacket(propose(net, "0001", today));
        const QStringList before = prescriptionsOf(db, today);

        std::unique_ptr<TNetConnection> clerk = server->connect(QStringLiteral("OPER99"));
        QVERIFY(isPacket(propose(*clerk, "0001", today))); // reading is for everyone
        QCOMPARE(serverErrorText(write(*clerk, proposals, "OPER99")),
                 server::notNutritionistMessage());
        QVERIFY(serverErrorText(write(*clerk, proposals, "NUTRI01")).contains("difere"));

        DataPacket none = proposals;
        for (const char* patient : {"P001", "P005", "P007"})
            tick(none, patient, "N");
        QCOMPARE(serverErrorText(write(net, none)),
                 QStringLiteral("Nenhuma proposta de prescrição marcada."));
        // One bad row stops the whole write: a stay that has left, a diet the service does not
        // serve, an unknown diet, an unknown origin.
        for (const auto& [field, value, error] :
             {std::tuple{"CDPACIENTE", "P004", "não está internado"},
              std::tuple{"CDDIETPAD", "0002", "para o serviço 00020"},
              std::tuple{"CDDIETPAD", "9999", "Dieta 9999 não cadastrada."},
              std::tuple{"IDORIGEM", "X", "Origem da proposta inválida"}}) {
            DataPacket bad = proposals;
            bad.rows[1][bad.fieldIndex(QString::fromLatin1(field))] = QString::fromLatin1(value);
            const QString text = serverErrorText(write(net, bad));
            QVERIFY2(text.contains(QString::fromUtf8(error)), qPrintable(text));
        }
        QCOMPARE(prescriptionsOf(db, today), before);
        QCOMPARE(auditCount(db, QStringLiteral("SetPropPresDieta")), 0);
    }

    void keepsAPrescriptionThatAppearedMeanwhile_data() { addEngineRows(); }
    void keepsAPrescriptionThatAppearedMeanwhile() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedCalculation, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const DataPacket proposals = toPacket(propose(net, "0001", today));
        // A doctor prescribes for P001 while the proposals are on the screen.
        execOn(db,
               "INSERT INTO PRESDIET (CDFILIAL, CDPACIENTE, DTINTERNA, DTPRESDIET, CDDIETPAD,"
               " DSPRESDIET) VALUES ('0001', 'P001', :A, :D, '0001', 'Médico')",
               {{"A", today.addDays(-10)}, {"D", today}});
        const QVariant result = write(net, proposals);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(rowsOf(toPacket(result), {"CDPACIENTE"}), (QStringList{"P005", "P007"}));
        QCOMPARE(prescriptionsOf(db, today),
                 (QStringList{"P001/0001/Médico", "P002/0001/Sem sal", "P003/0006/Jejum",
                              "P005/0001/-", "P007/0002/-"}));
        const QString changes =
            columnOf(db, "SELECT DSALTERACAO FROM AUDIT WHERE NMMETODO = 'SetPropPresDieta'")
                .value(0);
        QCOMPARE(QJsonDocument::fromJson(changes.toUtf8()).object().value("jaPrescritos").toArray(),
                 QJsonArray{"P001"});
        QCOMPARE(columnOf(db, "SELECT DSPACIENTES FROM AUDIT WHERE NMMETODO = 'SetPropPresDieta'"),
                 QStringList{"_P005_P007_"});

        // Writing the same proposals again writes nothing and still succeeds.
        const QVariant again = write(net, proposals);
        QVERIFY2(isPacket(again), qPrintable(serverErrorText(again)));
        QVERIFY(toPacket(again).rows.isEmpty());
        QCOMPARE(prescriptionsOf(db, today).size(), 5);
    }

    // The demo hospital has stays of every kind: proposed from the day before, from a
    // diagnosis, and stays without a prescription that nothing can be proposed for.
    void demoHospitalHasEveryKind_data() { addEngineRows(); }
    void demoHospitalHasEveryKind() {
        DIETA_FETCH_ENGINE(engine);
        server::DemoOptions demo;
        demo.today = today;
        TestServer server({.engine = engine, .demo = demo});
        QVERIFY2(server.ok(), qPrintable(server.error()));
        const QVariant result = propose(server.connection(), "0001", today);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        const QStringList origins = rowsOf(toPacket(result), {"IDORIGEM"});
        QVERIFY2(origins.count("A") > 0 && origins.count("D") > 0, qPrintable(origins.join(u' ')));
        const int unprescribed = countOf(
            server.database(),
            "SELECT COUNT(*) FROM INTERNA I JOIN SERVICO S ON S.CDFILIAL = I.CDFILIAL"
            " AND S.CDSERVFILI = I.CDSERVFILI WHERE I.CDFILIAL = '0001' AND I.DTINTERNA <= :D"
            " AND (I.DTALTA IS NULL OR I.DTALTA >= :D) AND (S.IDTPSERVHOSP IS NULL OR"
            " S.IDTPSERVHOSP NOT IN ('1', '2')) AND NOT EXISTS (SELECT 1 FROM PRESDIET R"
            " WHERE R.CDFILIAL = I.CDFILIAL AND R.CDPACIENTE = I.CDPACIENTE"
            " AND R.DTINTERNA = I.DTINTERNA AND R.DTPRESDIET = :D)",
            {{"D", today}});
        QVERIFY2(
            unprescribed > origins.size(),
            qPrintable(
                QStringLiteral("%1 without, %2 proposed").arg(unprescribed).arg(origins.size())));
    }
};

QTEST_GUILESS_MAIN(tst_PresCalc)
#include "tst_prescalc.moc"
