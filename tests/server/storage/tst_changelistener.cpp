// PostgreSQL's change counts as the triggers announce them: another process's commit reaches
// the listener within moments, this process's own commits count before commit() returns, and
// a listener whose connection broke knows nothing until it listens again, afresh.

#include "platform/sqldatabase.h"
#include "server/storage/changelistener.h"
#include "server/storage/schema.h"
#include "tests/support/testdatabase.h"

#include <QTest>

using namespace dieta;
using dieta::server::ChangeListener;
using dieta::test::TestDatabase;
using dieta::test::TestEngine;

namespace {

const QStringList cards{QStringLiteral("CONFCARD"), QStringLiteral("TIPOPRAT")};

void write(SqlDatabase& db, const QString& sql) {
    WriteTransaction transaction(db);
    execSql(transaction.connection(), sql);
    transaction.commit();
}

// Positions in versions(cards).
enum { Epoch, OwnCommits, ConfCard, TipoPrat };

} // namespace

class tst_ChangeListener : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!test::engineAvailable(TestEngine::PostgreSQL))
            QSKIP(test::kPgOffMessage);
    }

    void countsFollowCommits() {
        TestDatabase test(TestEngine::PostgreSQL);
        server::migrate(test.db());
        std::shared_ptr<ChangeListener> listener = ChangeListener::start(test.db());
        QTRY_VERIFY_WITH_TIMEOUT(listener->isListening(), 10000);
        QCOMPARE(ChangeListener::of(test.db().instanceId()), listener);
        const QList<qint64> first = listener->versions(cards);
        QCOMPARE(first.size(), 4);
        QVERIFY(listener->versions({QStringLiteral("CONFCARD"), QStringLiteral("NADA")}).isEmpty());

        // Another process writes: only its table's count moves, once the notice came.
        SqlDatabase other(test.db().config());
        write(other, QStringLiteral("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT)"
                                    " VALUES ('09', 'Ceia')"));
        QTRY_VERIFY_WITH_TIMEOUT(listener->versions(cards).value(TipoPrat) != first[TipoPrat],
                                 5000);
        QCOMPARE(listener->versions(cards)[ConfCard], first[ConfCard]);
        QCOMPARE(listener->versions(cards)[OwnCommits], first[OwnCommits]);
        other.releaseThreadConnection();

        // This process's commit counts at once, whatever it wrote.
        const QList<qint64> before = listener->versions(cards);
        write(test.db(), QStringLiteral("UPDATE TIPOPRAT SET NMTIPOPRAT = 'Ceia leve'"
                                        " WHERE CDTIPOPRAT = '09'"));
        QVERIFY(listener->versions(cards)[OwnCommits] != before[OwnCommits]);

        const quint64 instance = test.db().instanceId();
        listener.reset();
        QVERIFY(!ChangeListener::of(instance));
    }

    void brokenConnectionListensAfresh() {
        TestDatabase test(TestEngine::PostgreSQL);
        server::migrate(test.db());
        const std::shared_ptr<ChangeListener> listener = ChangeListener::start(test.db());
        QTRY_VERIFY_WITH_TIMEOUT(listener->isListening(), 10000);
        const QList<qint64> first = listener->versions(cards);

        // Every other session of the database ends, as when its server restarts.
        execSql(test.connection(),
                QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                               " WHERE datname = current_database() AND pid <> pg_backend_pid()"));
        // A change made about then is not lost, whether it came before the new listening
        // (read with the counts) or after it (announced).
        SqlDatabase other(test.db().config());
        write(other, QStringLiteral("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT)"
                                    " VALUES ('09', 'Ceia')"));
        other.releaseThreadConnection();
        // It listens again under a new epoch, so nothing kept before is taken as current.
        QTRY_VERIFY_WITH_TIMEOUT(
            listener->versions(cards).value(Epoch, first[Epoch]) != first[Epoch], 10000);
        QTRY_VERIFY_WITH_TIMEOUT(listener->versions(cards).value(TipoPrat) != first[TipoPrat],
                                 5000);
    }
};

QTEST_GUILESS_MAIN(tst_ChangeListener)
#include "tst_changelistener.moc"
