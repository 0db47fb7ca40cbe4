// SetDupDieta beyond its arguments, on both engines: the day's records stop at 99 (a quantity
// above 99 is refused, and a quantity that runs out of numbers midway adds nothing at all),
// and the operator named in the call must be the session's.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_dialogs/dialogfixture.h"
#include "tests/support/seededserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;

namespace {

const QString missingCard =
    QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

} // namespace

class tst_DupDieta : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();

    // Duplicates diet 0001 for the patient; the error text, or "" when it succeeded.
    QString duplicate(TNetConnection& net, const QString& patient, double quantity,
                      const QString& operatorCode = QStringLiteral("NUTRI01")) {
        QVariantList args{
            "0001",
            "00010",
            today,
            "0001",
            missingCard,
            "0",
            operatorCode,
            quantity,
            fromPacket(markedRows({{patient, "0", ""}}, today)),
            fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), today)),
            "A"};
        const QVariant result = net.call(QStringLiteral("SetDupDieta"), args);
        return isPacket(result) ? QString() : serverErrorText(result);
    }

    int records(SqlDatabase& db, const QString& patient) {
        return countOf(db, QStringLiteral("SELECT COUNT(*) FROM SERVINTE WHERE CDPACIENTE = :P"),
                       {{QStringLiteral("P"), patient}});
    }
    int choices(SqlDatabase& db, const QString& patient) {
        return countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = :P"),
                       {{QStringLiteral("P"), patient}});
    }

private slots:
    void ninetyNineRecordsAtMost_data() { addEngineRows(); }
    void ninetyNineRecordsAtMost() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();

        QCOMPARE(duplicate(net, QStringLiteral("P002"), 100),
                 QStringLiteral("Quantidade deve ser no máximo 99."));
        QCOMPARE(records(db, QStringLiteral("P002")), 0);
        QCOMPARE(duplicate(net, QStringLiteral("P002"), 99.9), QString()); // its whole part
        QCOMPARE(records(db, QStringLiteral("P002")), 99);
        QCOMPARE(columnOf(db, QStringLiteral("SELECT MAX(NRSEQUSERV) FROM SERVINTE WHERE"
                                             " CDPACIENTE = 'P002'")),
                 QStringList{"99"});
        // Every record has the diet's menu.
        QCOMPARE(choices(db, QStringLiteral("P002")), 99 * 3);
        QCOMPARE(auditCount(db, QStringLiteral("SetDupDieta")), 1);
    }

    void numbersRunningOutAddNothing_data() { addEngineRows(); }
    void numbersRunningOutAddNothing() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        for (int sequence = 1; sequence <= 97; ++sequence)
            addDayRecord(db, QStringLiteral("P003"), today,
                         QStringLiteral("%1").arg(sequence, 2, 10, QLatin1Char('0')),
                         QStringLiteral("0"), QStringLiteral("00010"), QStringLiteral("0001"),
                         {"02|P|02.01.001|S|1"});

        // Two numbers are left: the third record fails and the first two go with it.
        QCOMPARE(duplicate(net, QStringLiteral("P003"), 5),
                 QStringLiteral("O paciente já tem o número máximo de registros de dieta no dia."));
        QCOMPARE(records(db, QStringLiteral("P003")), 97);
        QCOMPARE(choices(db, QStringLiteral("P003")), 97);
        QCOMPARE(auditCount(db, QStringLiteral("SetDupDieta")), 0);
        // Exactly what is left still fits.
        QCOMPARE(duplicate(net, QStringLiteral("P003"), 2), QString());
        QCOMPARE(records(db, QStringLiteral("P003")), 99);
        QCOMPARE(duplicate(net, QStringLiteral("P003"), 1),
                 QStringLiteral("O paciente já tem o número máximo de registros de dieta no dia."));
        QCOMPARE(records(db, QStringLiteral("P003")), 99);
    }

    void operatorMustBeTheSessions_data() { addEngineRows(); }
    void operatorMustBeTheSessions() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();

        // Another nutritionist named by a NUTRI01 session.
        QVERIFY(duplicate(server->connection(), QStringLiteral("P002"), 1, "NUTRI02")
                    .contains(QStringLiteral("difere do operador")));
        // An operator who is no nutritionist of the branch, in its own name.
        std::unique_ptr<TNetConnection> clerk = server->connect(QStringLiteral("OPER99"));
        QVERIFY(duplicate(*clerk, QStringLiteral("P002"), 1, "OPER99")
                    .contains(QStringLiteral("não está cadastrado como nutricionista")));
        QCOMPARE(records(db, QStringLiteral("P002")), 0);
        QCOMPARE(auditCount(db, QStringLiteral("SetDupDieta")), 0);
        QCOMPARE(duplicate(server->connection(), QStringLiteral("P002"), 1), QString());
        QCOMPARE(records(db, QStringLiteral("P002")), 1);
    }
};

QTEST_GUILESS_MAIN(tst_DupDieta)
#include "tst_dupdieta.moc"
