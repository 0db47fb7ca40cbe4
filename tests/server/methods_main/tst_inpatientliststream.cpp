// The inpatient list as it goes from the database straight into the packet's bytes: the same
// bed order on both engines whatever the database's collation, and bytes that read back into
// the same packet and write back into the same bytes.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/methods/inpatientlist.h"
#include "tests/server/methods_main/mainhospital.h"
#include "tests/support/seededserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::mainscreen;

class tst_InpatientListStream : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();

    static void setBed(SqlDatabase& db, const QString& patient, const QVariant& bed) {
        execSql(db.connection(),
                QStringLiteral("UPDATE INTERNA SET CDLEITO = :L WHERE CDPACIENTE = :P"),
                {{QStringLiteral("L"), bed}, {QStringLiteral("P"), patient}});
    }

private slots:
    // Code-point order of the bed, a stay without one first: a locale's collation would put
    // "Á1" before "b10" and PostgreSQL would put the missing bed last.
    void bedOrderIsCodePointOrder_data() { addEngineRows(); }
    void bedOrderIsCodePointOrder() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        setBed(server->database(), QStringLiteral("P001"), QStringLiteral("Á1"));
        setBed(server->database(), QStringLiteral("P002"), QVariant());
        setBed(server->database(), QStringLiteral("P003"), QStringLiteral("b10"));

        const QVariant result = server->connection().call(
            QStringLiteral("GetInternacao"), {fromPacket(listParams("0001", "00010", today))});
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        const DataPacket rows = toPacket(result);
        QCOMPARE(listKeys(rows), QStringList({"P002/0/", "P003/0/", "P001/0/01", "P001/1/02"}));
        QCOMPARE(columnValues(rows, "CDLEITO"), QStringList({"", "b10", "Á1", "Á1"}));
        QVERIFY(rows.value(0, u"CDLEITO").isNull());
    }

    // Names with quotes, backslashes, control characters and letters beyond ASCII; every
    // cell kind of the list, nulls included.
    void bytesReadBackUnchanged_data() { addEngineRows(); }
    void bytesReadBackUnchanged() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const QString name = QStringLiteral("Ana \"Tia\" \\ Conceição\t\u00e9\U0001F600");
        execSql(server->database().connection(),
                QStringLiteral("UPDATE PACIENTE SET NMPACIENTE = :N WHERE CDPACIENTE = 'P001'"),
                {{QStringLiteral("N"), name}});

        const QByteArray bytes = server::encodeInpatientList(server->database().connection(),
                                                             listParams("0001", "G01", today));
        QString error;
        const std::optional<DataPacket> packet = DataPacket::fromJsonBytes(bytes, &error);
        QVERIFY2(packet, qPrintable(error));
        QCOMPARE(packet->toJsonBytes(), bytes);
        QCOMPARE(packet->rows.size(), 5);
        QCOMPARE(packet->value(0, u"NMPACIENTE").toString(), name);
        QCOMPARE(packet->value(2, u"DTINTERNA").toDateTime(),
                 QDateTime(today.addDays(-3), QTime(0, 0)));
        QVERIFY(packet->value(0, u"DTALTA").isNull());

        // The call's answer is the same packet.
        const QVariant result = server->connection().call(
            QStringLiteral("GetInternacao"), {fromPacket(listParams("0001", "G01", today))});
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(toPacket(result), *packet);

        // No parameter row: the fields alone.
        const DataPacket empty = server::buildInpatientList(server->database().connection(), {});
        QCOMPARE(empty.fields, server::inpatientFields());
        QVERIFY(empty.rows.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_InpatientListStream)
#include "tst_inpatientliststream.moc"
