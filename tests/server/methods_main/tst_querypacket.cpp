// A query's rows written straight into a packet's bytes (QueryPacketWriter) must be the bytes of
// the packet packetFromQuery builds from the same rows: the client reads one or the other, and
// a small answer goes by the one while the rest go by the other.

#include "platform/datapacket.h"
#include "platform/sqldatabase.h"
#include "server/methods/methodsupport.h"
#include "tests/support/testdatabase.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::server;
using namespace dieta::test;

class tst_QueryPacket : public QObject {
    Q_OBJECT

private:
    static QList<FieldDef> fields() {
        return {textField(QStringLiteral("CODE"), 4), floatField(QStringLiteral("SEQ")),
                textField(QStringLiteral("NAME"), 0), dateTimeField(QStringLiteral("WHEN")),
                dateField(QStringLiteral("DAY"))};
    }

    static void fill(TestDatabase& database) {
        database.exec(QStringLiteral("CREATE TABLE T (ID INTEGER NOT NULL, CODE VARCHAR(10),"
                                     " SEQ NUMERIC(10,3), NAME VARCHAR(60), WHEN_AT TIMESTAMP,"
                                     " DAY_AT DATE)"));
        const QList<QVariantList> rows{
            {1, "0001", 1, QString::fromUtf8("Café \"forte\" \\ ok"),
             QDateTime({2026, 12, 7}, {9, 30, 5}), QDate(2026, 12, 7)},
            // Cut to the field's size, a fraction, a control character and a letter beyond the
            // basic plane.
            {2, "123456", 2.5, QString::fromUtf8("linha\nnova\t\x01 𝄞"),
             QDateTime({1, 1, 1}, {0, 0}), QDate(9999, 12, 31)},
            {3, QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}, // every cell null
            {4, "", 1234567.125, "", QVariant(), QVariant()},
        };
        for (const QVariantList& row : rows)
            execSql(
                database.connection(),
                QStringLiteral("INSERT INTO T VALUES (:ID, :CODE, :SEQ, :NAME, :WHEN_AT, :DAY_AT)"),
                {{QStringLiteral("ID"), row[0]},
                 {QStringLiteral("CODE"), row[1]},
                 {QStringLiteral("SEQ"), row[2]},
                 {QStringLiteral("NAME"), row[3]},
                 {QStringLiteral("WHEN_AT"), row[4]},
                 {QStringLiteral("DAY_AT"), row[5]}});
    }

    static const QString& select() {
        static const QString sql = QStringLiteral(
            "SELECT CODE, SEQ, NAME, WHEN_AT, DAY_AT FROM T WHERE ID >= :FROM ORDER BY ID");
        return sql;
    }

private slots:
    void writtenRowsAreThePacketsBytes_data() { addEngineRows(); }
    void writtenRowsAreThePacketsBytes() {
        DIETA_FETCH_ENGINE(engine);
        TestDatabase database(engine);
        fill(database);
        const QueryPacketWriter writer(fields());
        for (int from : {1, 99}) { // the rows, then none
            const QVariantMap values{{QStringLiteral("FROM"), from}};
            QSqlQuery built = execSql(database.connection(), select(), values);
            const QByteArray expected = packetFromQuery(built, fields()).toJsonBytes();
            SqlStatement statement(database.connection(), select(), values);
            const EncodedPacket written = writer.write(statement.query());
            QCOMPARE(written.json, expected);
            QCOMPARE(written.rows, from == 1 ? 4 : 0);
        }
        // The same writer, used again, starts from its fields each time.
        SqlStatement again(database.connection(), select(), {{QStringLiteral("FROM"), 4}});
        const std::optional<DataPacket> last =
            DataPacket::fromJsonBytes(writer.write(again.query()).json);
        QVERIFY(last);
        QCOMPARE(last->rows.size(), 1);
        QCOMPARE(last->fields, fields());
        QCOMPARE(last->value(0, u"SEQ").toDouble(), 1234567.125);
    }
};

QTEST_GUILESS_MAIN(tst_QueryPacket)
#include "tst_querypacket.moc"
