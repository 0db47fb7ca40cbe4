// Statements kept prepared per connection: a kept statement runs with its new values, does not
// hold on to what it read (a later read on the connection sees other connections' commits),
// and goes with its connection.

#include "platform/sqldatabase.h"
#include "tests/support/testdatabase.h"

#include <QTest>
#include <thread>

using namespace dieta;
using namespace dieta::test;
using namespace Qt::StringLiterals;

namespace {

const QString kRead = u"SELECT V FROM T WHERE K >= :K ORDER BY K"_s;

QStringList values(QSqlDatabase conn, int from) {
    SqlStatement read(conn, kRead, {{u"K"_s, from}});
    QStringList found;
    while (read.next())
        found.append(read.value(0).toString());
    return found;
}

} // namespace

class tst_StatementCache : public QObject {
    Q_OBJECT

private slots:
    void keptStatementsReadFreshRows_data() { addEngineRows(); }
    void keptStatementsReadFreshRows() {
        DIETA_FETCH_ENGINE(engine);
        TestDatabase t(engine);
        t.exec(u"CREATE TABLE T (K INTEGER PRIMARY KEY, V VARCHAR(10))"_s);
        t.exec(u"INSERT INTO T (K, V) VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s);
        QSqlDatabase conn = t.connection();
        {
            // Left after its first row: kept, but not holding the rows it read.
            SqlStatement read(conn, kRead, {{u"K"_s, 1}});
            QVERIFY(read.next());
            QCOMPARE(read.value(0).toString(), u"a"_s);
        }
        std::thread writer([&t] {
            execSql(t.db().connection(), u"UPDATE T SET V = 'z' WHERE K = 3"_s);
            t.db().releaseThreadConnection();
        });
        writer.join();
        QCOMPARE(values(conn, 2), QStringList({u"b"_s, u"z"_s}));
        QCOMPARE(values(conn, 1), QStringList({u"a"_s, u"b"_s, u"z"_s}));
        QCOMPARE(values(conn, 4), QStringList());
        // Nested use of one text: the inner statement is a second prepared one. (PostgreSQL's
        // driver reads forward-only rows as they come, so a second query on the connection
        // cuts the first short there whatever is kept.)
        if (engine != TestEngine::SQLite)
            return;
        SqlStatement outer(conn, kRead, {{u"K"_s, 1}});
        QStringList pairs;
        while (outer.next())
            pairs.append(outer.value(0).toString() + values(conn, 3).join(u""_s));
        QCOMPARE(pairs, QStringList({u"az"_s, u"bz"_s, u"zz"_s}));
    }

    void statementsGoWithTheirConnection_data() { addEngineRows(); }
    void statementsGoWithTheirConnection() {
        DIETA_FETCH_ENGINE(engine);
        TestDatabase t(engine);
        t.exec(u"CREATE TABLE T (K INTEGER PRIMARY KEY, V VARCHAR(10))"_s);
        t.exec(u"INSERT INTO T (K, V) VALUES (1, 'a')"_s);
        QCOMPARE(values(t.connection(), 1), QStringList({u"a"_s}));
        t.db().releaseThreadConnection(); // its kept statements go with it
        QCOMPARE(values(t.connection(), 1), QStringList({u"a"_s}));
        // A failed run is not kept.
        QVERIFY_THROWS_EXCEPTION(SqlError, SqlStatement(t.connection(),
                                                        u"INSERT INTO T (K, V) VALUES (:K, 'b')"_s,
                                                        {{u"K"_s, 1}}));
        SqlStatement insert(t.connection(), u"INSERT INTO T (K, V) VALUES (:K, 'b')"_s,
                            {{u"K"_s, 2}});
        QCOMPARE(values(t.connection(), 1), QStringList({u"a"_s, u"b"_s}));
    }
};

QTEST_GUILESS_MAIN(tst_StatementCache)
#include "tst_statementcache.moc"
