#include "tests/support/pgdatabase.h"

#include "platform/sqldatabase.h"
#include "tests/support/engine.h"

#include <QStringList>
#include <QUuid>
#include <stdexcept>

namespace dieta::test {

using namespace Qt::StringLiterals;

namespace {

// Rebuilt from the parsed settings rather than edited in place, so that quoted values and
// URIs in DIETA_TEST_PG keep working.
QString connectionTo(const PgConnectionSettings& s, const QString& dbname) {
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

// One administrative statement on the cluster's own database, through a connection that is
// closed at once (a database cannot be dropped while a session of ours sits in it).
void adminExec(const QString& sql) {
    SqlDatabase admin(DatabaseConfig{SqlEngine::PostgreSQL, {}, testPgConnection()});
    execSql(admin.connection(), sql);
    admin.releaseThreadConnection();
}

} // namespace

ThrowawayPgDatabase::ThrowawayPgDatabase() {
    if (testPgConnection().isEmpty())
        throw std::runtime_error(kPgOffMessage);
    const QString name = u"dieta_t_"_s + QUuid::createUuid().toString(QUuid::Id128).left(24);
    adminExec(u"CREATE DATABASE "_s + name);
    name_ = name;
    connection_ = connectionTo(parsePgConnection(testPgConnection()), name_);
}

ThrowawayPgDatabase::~ThrowawayPgDatabase() {
    try {
        adminExec(u"DROP DATABASE IF EXISTS "_s + name_ + u" WITH (FORCE)"_s);
    } catch (const std::exception& error) {
        qWarning("cannot drop test database %s: %s", qPrintable(name_), error.what());
    }
}

} // namespace dieta::test
