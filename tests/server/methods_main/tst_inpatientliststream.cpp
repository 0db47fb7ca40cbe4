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

    // The standard's and the diet's names are looked up by code: a code the tables lack, or
    // none, gives null cells, as a left join would; a diet without a group keeps a null group.
    void codeNamesAsJoined_data() { addEngineRows(); }
    void codeNamesAsJoined() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const QSqlDatabase conn = server->database().connection();
        const auto run = [&conn](const char* sql) { execSql(conn, QString::fromUtf8(sql)); };
        run("UPDATE SERVINTE SET CDDIETPAD = '0002' WHERE CDPACIENTE = 'P001' AND NRSEQUSERV = "
            "'01'");
        run("UPDATE SERVINTE SET CDDIETPAD = '9999' WHERE CDPACIENTE = 'P001' AND NRSEQUSERV = "
            "'02'");
        run("UPDATE INTERNA SET CDSERPADDIE = '002' WHERE CDPACIENTE = 'P001'");
        run("UPDATE INTERNA SET CDSERPADDIE = '999' WHERE CDPACIENTE = 'P002'");
        run("UPDATE INTERNA SET CDSERPADDIE = NULL WHERE CDPACIENTE = 'P003'");

        const DataPacket rows =
            server::buildInpatientList(conn, listParams("0001", "00010", today));
        const QStringList keys = listKeys(rows);
        const auto cell = [&rows, &keys](const char* key, const char16_t* field) {
            return rows.value(int(keys.indexOf(QString::fromUtf8(key))), field);
        };
        QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()),
                 QSet<QString>({"P002/0/", "P003/0/", "P001/0/01", "P001/1/02"}));
        QVERIFY(cell("P002/0/", u"NMSERPADDIE").isNull());
        QVERIFY(cell("P003/0/", u"NMSERPADDIE").isNull());
        QCOMPARE(cell("P001/0/01", u"NMSERPADDIE").toString(), QStringLiteral("Apartamento"));
        QCOMPARE(cell("P001/1/02", u"NMSERPADDIE").toString(), QStringLiteral("Apartamento"));
        QCOMPARE(cell("P001/0/01", u"DSDIETPAD").toString(), QStringLiteral("Branda"));
        QCOMPARE(cell("P001/0/01", u"IDFORMDIET").toString(), QStringLiteral("5"));
        QCOMPARE(cell("P001/0/01", u"CDDIETGRUP").toString(), QStringLiteral("9001"));
        QCOMPARE(cell("P001/1/02", u"CDDIETPAD").toString(), QStringLiteral("9999"));
        for (const char16_t* field : {u"DSDIETPAD", u"IDFORMDIET", u"CDDIETGRUP"})
            QVERIFY2(cell("P001/1/02", field).isNull(), qPrintable(QString::fromUtf16(field)));

        run("UPDATE SERVINTE SET CDDIETPAD = '0001' WHERE CDPACIENTE = 'P001'");
        const DataPacket general =
            server::buildInpatientList(conn, listParams("0001", "00010", today));
        const int first = int(keys.indexOf(QStringLiteral("P001/0/01")));
        QCOMPARE(listKeys(general), keys);
        QCOMPARE(general.value(first, u"DSDIETPAD").toString(), QStringLiteral("Geral"));
        QVERIFY(general.value(first, u"CDDIETGRUP").isNull());
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
