// Cursors over SQLite keep their statements prepared with the connection: a statement comes
// back with its old values gone, a failed cursor leaves nothing behind, and the connection still
// closes (a statement left unfinalized would keep it, and its memory, open).

#include "platform/sqldatabase.h"
#include "server/storage/rowcursor.h"
#include "tests/support/testdatabase.h"

#include <QTest>
#include <sqlite3.h>

using namespace dieta;
using dieta::server::RowCursor;
using dieta::test::TestDatabase;

namespace {

const QString byGroup = QStringLiteral("SELECT N FROM T WHERE G = :G ORDER BY N");

QStringList numbers(const QSqlDatabase& conn, const QVariantMap& values) {
    RowCursor rows(conn, byGroup, values);
    QStringList found;
    while (rows.next())
        found.append(QString::fromUtf8(rows.utf8(0)));
    return found;
}

void fill(TestDatabase& database) {
    database.exec(QStringLiteral("CREATE TABLE T (G TEXT, N INTEGER, PAD TEXT)"));
    WriteTransaction transaction(database.db());
    for (int n = 0; n < 2000; ++n)
        execSql(transaction.connection(),
                QStringLiteral("INSERT INTO T VALUES (:G, :N, :P)"),
                {{QStringLiteral("G"), n % 2 ? QStringLiteral("b") : QStringLiteral("a")},
                 {QStringLiteral("N"), n},
                 {QStringLiteral("P"), QString(200, QChar(u'x'))}});
    transaction.commit();
}

} // namespace

class tst_RowCursor : public QObject {
    Q_OBJECT

private slots:
    void keptStatementTakesNewValues() {
        TestDatabase database;
        fill(database);
        const QSqlDatabase conn = database.connection();
        QCOMPARE(numbers(conn, {{QStringLiteral("G"), QStringLiteral("a")}}).size(), 1000);
        {
            // Dropped after one row: its statement goes back reset, not mid-rows.
            RowCursor half(conn, byGroup, {{QStringLiteral("G"), QStringLiteral("b")}});
            QVERIFY(half.next());
            QCOMPARE(half.utf8(0), QByteArrayView("1"));
        }
        QCOMPARE(numbers(conn, {{QStringLiteral("G"), QStringLiteral("b")}}).first(), "1");
        QVERIFY(numbers(conn, {{QStringLiteral("G"), QStringLiteral("c")}}).isEmpty());
        QVERIFY_THROWS_EXCEPTION(SqlError, numbers(conn, {}));
        QCOMPARE(numbers(conn, {{QStringLiteral("G"), QStringLiteral("a")}}).first(), "0");
    }

    void connectionClosesWithItsKeptStatements() {
        TestDatabase database;
        fill(database);
        database.db().releaseThreadConnection();
        const sqlite3_int64 before = sqlite3_memory_used();
        {
            const QSqlDatabase conn = database.connection();
            QCOMPARE(numbers(conn, {{QStringLiteral("G"), QStringLiteral("a")}}).size(), 1000);
            QCOMPARE(numbers(conn, {{QStringLiteral("G"), QStringLiteral("b")}}).size(), 1000);
        }
        QVERIFY(sqlite3_memory_used() > before + 64 * 1024); // its page cache at least
        database.db().releaseThreadConnection();
        QVERIFY2(sqlite3_memory_used() < before + 16 * 1024,
                 qPrintable(QStringLiteral("%1 bytes still held")
                                .arg(sqlite3_memory_used() - before)));
    }
};

QTEST_GUILESS_MAIN(tst_RowCursor)
#include "tst_rowcursor.moc"
