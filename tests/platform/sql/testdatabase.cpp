#include "testdatabase.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QTest>

namespace dieta::test {

using namespace Qt::StringLiterals;

namespace {

QString pgAdminConnection() {
    return qEnvironmentVariable("DIETA_TEST_PG");
}

QString keywordString(const PgConnectionSettings& s, const QString& dbname) {
    QStringList parts;
    auto add = [&](const char* key, const QString& value) {
        if (!value.isEmpty())
            parts.append(QString::fromLatin1(key) + u"='"_s +
                         QString(value).replace(u"\\"_s, u"\\\\"_s).replace(u"'"_s, u"\\'"_s) +
                         u'\'');
    };
    add("host", s.host);
    add("port", s.port > 0 ? QString::number(s.port) : QString());
    add("user", s.userName);
    add("password", s.password);
    add("dbname", dbname);
    QString text = parts.join(u' ');
    if (!s.connectOptions.isEmpty())
        text += u' ' + QString(s.connectOptions).replace(u';', u' ');
    return text;
}

// Runs one statement on the administrative database through a connection of its own.
void adminExec(const QString& sql) {
    SqlDatabase admin(DatabaseConfig{SqlEngine::PostgreSQL, {}, pgAdminConnection()});
    execSql(admin.connection(), sql);
    admin.releaseThreadConnection();
}

} // namespace

bool TestDatabase::available(const QString& engine) {
    return engine == u"sqlite" || !pgAdminConnection().isEmpty();
}

void TestDatabase::addEngineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << u"sqlite"_s;
    QTest::newRow("postgresql") << u"postgresql"_s;
}

TestDatabase::TestDatabase(const QString& engine) {
    DatabaseConfig config;
    if (engine == u"sqlite") {
        config.engine = SqlEngine::SQLite;
        config.sqlitePath = dir_.filePath(u"test.db"_s);
    } else {
        static QAtomicInteger<int> serial;
        pgName_ = u"dieta_sqltest_%1_%2_%3"_s.arg(QCoreApplication::applicationPid())
                      .arg(serial.fetchAndAddRelaxed(1))
                      .arg(QRandomGenerator::global()->bounded(1000000));
        adminExec(u"CREATE DATABASE "_s + pgName_);
        config.engine = SqlEngine::PostgreSQL;
        config.pgConnection = keywordString(parsePgConnection(pgAdminConnection()), pgName_);
    }
    db_ = std::make_unique<SqlDatabase>(config);
}

TestDatabase::~TestDatabase() {
    db_.reset();
    if (pgName_.isEmpty())
        return;
    try {
        adminExec(u"DROP DATABASE IF EXISTS "_s + pgName_ + u" WITH (FORCE)"_s);
    } catch (const SqlError& error) {
        qWarning("cannot drop test database %s: %s", qPrintable(pgName_), error.what());
    }
}

void TestDatabase::exec(const QString& sql) {
    execSql(connection(), sql);
}

} // namespace dieta::test
