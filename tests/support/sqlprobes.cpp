#include "tests/support/sqlprobes.h"

namespace dieta::test {

void execOn(SqlDatabase& db, const QString& sql, const QVariantMap& values) {
    execSql(db.connection(), sql, values);
}

int countOf(SqlDatabase& db, const QString& sql, const QVariantMap& values) {
    QSqlQuery query = execSql(db.connection(), sql, values);
    return query.next() ? query.value(0).toInt() : -1;
}

QStringList columnOf(SqlDatabase& db, const QString& sql, const QVariantMap& values) {
    QSqlQuery query = execSql(db.connection(), sql, values);
    QStringList column;
    while (query.next())
        column.append(query.value(0).toString());
    return column;
}

} // namespace dieta::test
