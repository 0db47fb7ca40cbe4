// Schema and migrations on both engines: repeatable, safe when two starts race, and the
// storage conventions (lengths, dates) hold alike on SQLite and PostgreSQL.

#include "platform/sqldatabase.h"
#include "server/storage/schema.h"
#include "tests/support/testdatabase.h"

#include <QSqlQuery>
#include <QTest>
#include <thread>

using namespace dieta;
using namespace dieta::server;
using dieta::test::TestDatabase;

namespace {

int scalar(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values = {}) {
    QSqlQuery query = execSql(conn, sql, values);
    return query.next() ? query.value(0).toInt() : -1;
}

bool fails(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values = {}) {
    try {
        execSql(conn, sql, values);
        return false;
    } catch (const SqlError&) {
        return true;
    }
}

} // namespace

class tst_Schema : public QObject {
    Q_OBJECT

private slots:
    void migrateIsRepeatable_data() { TestDatabase::addEngineRows(); }
    void migrateIsRepeatable() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        QCOMPARE(schemaVersion(test.db()), 0);
        migrate(test.db());
        QCOMPARE(schemaVersion(test.db()), latestSchemaVersion());
        migrate(test.db());
        QCOMPARE(schemaVersion(test.db()), latestSchemaVersion());
        // Each migration once (the numbers may have gaps while branches merge).
        QCOMPARE(scalar(test.connection(), "SELECT COUNT(*) FROM schema_version"),
                 scalar(test.connection(), "SELECT COUNT(DISTINCT version) FROM schema_version"));
    }

    void everyTableExists_data() { TestDatabase::addEngineRows(); }
    void everyTableExists() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        const QStringList tables = test.connection().tables();
        for (const char* name :
             {"FILIAL",   "SERVICO",   "GRUPSERV",      "DIETSERV", "DIETPADR",  "DIETGRUP",
              "NUTRICIO", "OPERADOR",  "TIPOPRAT",      "PRATO",    "PRATSERV",  "ANDAR",
              "ALA",      "LEITO",     "PADRAOSERV",    "GRUPNUTR", "NUTRIENTE", "PARADIETO",
              "DIAGNOST", "SUBGRPROD", "PRATPROD",      "PRATNUTR", "RESTINTO",  "MEDICAMENT",
              "PRINATIV", "MEDIPRIN",  "PRINNUTR",      "PACIENTE", "INTERNA",   "DIAGINTER",
              "MEDIINTE", "PRESDIET",  "SERVINTE",      "CONFESCO", "CONFCARD",  "COMPCARD",
              "DIAGDIET", "AUDIT",     "schema_version"})
            QVERIFY2(tables.contains(QString::fromLatin1(name), Qt::CaseInsensitive), name);
    }

    // Two server processes starting on one new database: one migrates, the other waits and
    // finds the work done; neither fails.
    void concurrentMigrate_data() { TestDatabase::addEngineRows(); }
    void concurrentMigrate() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        QString errors[2];
        auto start = [&](int index) {
            try {
                migrate(test.db());
            } catch (const std::exception& error) {
                errors[index] = QString::fromUtf8(error.what());
            }
            test.db().releaseThreadConnection();
        };
        std::thread first(start, 0);
        std::thread second(start, 1);
        first.join();
        second.join();
        QCOMPARE(errors[0], QString());
        QCOMPARE(errors[1], QString());
        QCOMPARE(schemaVersion(test.db()), latestSchemaVersion());
        // Each migration once (the numbers may have gaps while branches merge).
        QCOMPARE(scalar(test.connection(), "SELECT COUNT(*) FROM schema_version"),
                 scalar(test.connection(), "SELECT COUNT(DISTINCT version) FROM schema_version"));
    }

    // A code longer than its column is refused on SQLite as on PostgreSQL.
    void overlongCodeRefused_data() { TestDatabase::addEngineRows(); }
    void overlongCodeRefused() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        const QString insert = "INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES (:CODE, 'Filial')";
        QVERIFY(!fails(test.connection(), insert, {{"CODE", "0001"}}));
        QVERIFY(fails(test.connection(), insert, {{"CODE", "00001"}}));
        QVERIFY(!fails(test.connection(), insert, {{"CODE", "ção"}})); // characters, not bytes
        QCOMPARE(scalar(test.connection(), "SELECT COUNT(*) FROM FILIAL"), 2);
    }

    // Dates are bound as QDate and come back as the same date, comparable with a bound QDate;
    // text that is no date is refused on both engines.
    void datesRoundTrip_data() { TestDatabase::addEngineRows(); }
    void datesRoundTrip() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        const QDate birth(1980, 5, 17);
        execSql(test.connection(),
                "INSERT INTO PACIENTE (CDPACIENTE, NMPACIENTE, DTNASCPACI) VALUES ('1', 'A', :D)",
                {{"D", birth}});
        QSqlQuery query =
            execSql(test.connection(), "SELECT DTNASCPACI FROM PACIENTE WHERE DTNASCPACI <= :D",
                    {{"D", QDate(1980, 5, 17)}});
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toDate(), birth);
        QCOMPARE(scalar(test.connection(), "SELECT COUNT(*) FROM PACIENTE WHERE DTNASCPACI > :D",
                        {{"D", QDate(1980, 5, 16)}}),
                 1);
        QVERIFY(fails(test.connection(), "INSERT INTO PACIENTE (CDPACIENTE, NMPACIENTE, DTNASCPACI)"
                                         " VALUES ('2', 'B', 'ontem')"));
        const QDateTime when(QDate(2026, 12, 7), QTime(13, 45, 10));
        execSql(test.connection(),
                "INSERT INTO AUDIT (DTAUDIT, CDOPERADOR, NMMETODO) VALUES (:W, 'NUTRI01', 'X')",
                {{"W", when}});
        query = execSql(test.connection(), "SELECT DTAUDIT FROM AUDIT");
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toDateTime(), when);
    }
};

QTEST_GUILESS_MAIN(tst_Schema)
#include "tst_schema.moc"
