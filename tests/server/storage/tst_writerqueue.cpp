// SQLite writers of one server take their turns in order of arrival: a writer that has waited
// longest goes next, instead of sleeping in SQLite's busy handler while later ones overtake
// it; and the write-ahead log is checkpointed off the writers' path.

#include "platform/sqldatabase.h"
#include "tests/support/testdatabase.h"

#include <QFileInfo>
#include <QMutex>
#include <QSqlQuery>
#include <QTest>
#include <thread>
#include <vector>

using namespace dieta;
using dieta::test::TestDatabase;

class tst_WriterQueue : public QObject {
    Q_OBJECT

private slots:
    void writersServedInOrderOfArrival() {
        TestDatabase database;
        SqlDatabase& db = database.db();
        database.exec(QStringLiteral("CREATE TABLE T (N INTEGER)"));
        constexpr int waiters = 6;
        QMutex lock;
        QList<int> order;
        std::vector<std::thread> threads;
        bool queued = true;
        {
            WriteTransaction first(db);
            for (int i = 0; i < waiters; ++i) {
                threads.emplace_back([&, i] {
                    WriteTransaction transaction(db);
                    execSql(transaction.connection(), QStringLiteral("INSERT INTO T VALUES (:N)"),
                            {{QStringLiteral("N"), i}});
                    {
                        QMutexLocker locked(&lock);
                        order.append(i);
                    }
                    transaction.commit();
                    db.releaseThreadConnection();
                });
                // The next waiter starts only once this one holds its place in the queue.
                queued = QTest::qWaitFor([&] { return db.writersWaiting() == i + 1; }, 10000);
                if (!queued)
                    break;
            }
            first.commit();
        }
        for (std::thread& thread : threads)
            thread.join();
        QVERIFY2(queued, "a writer never joined the queue");
        QCOMPARE(order, (QList<int>{0, 1, 2, 3, 4, 5}));
    }

    // Many commits leave the log short: the checkpoints run although no writer runs them.
    void logCheckpointedOffTheWritersPath() {
        TestDatabase database;
        SqlDatabase& db = database.db();
        database.exec(QStringLiteral("CREATE TABLE T (N INTEGER, PAD TEXT)"));
        const QString pad(2000, u'x');
        for (int i = 0; i < 3000; ++i) {
            WriteTransaction transaction(db);
            execSql(transaction.connection(), QStringLiteral("INSERT INTO T VALUES (:N, :P)"),
                    {{QStringLiteral("N"), i}, {QStringLiteral("P"), pad}});
            transaction.commit();
        }
        QSqlQuery mode = execSql(db.connection(), QStringLiteral("PRAGMA wal_autocheckpoint"));
        QVERIFY(mode.next());
        QCOMPARE(mode.value(0).toInt(), 0);
        // 3,000 commits of a page or more each: without checkpoints the log would hold them all.
        const QString wal = db.config().sqlitePath + QStringLiteral("-wal");
        QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo(wal).size() < 3000LL * 4096, "log never checkpointed",
                                  5000);
    }
};

QTEST_GUILESS_MAIN(tst_WriterQueue)
#include "tst_writerqueue.moc"
