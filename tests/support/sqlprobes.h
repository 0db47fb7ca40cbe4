#pragma once
// Test set-up and checks straight on a database, beside the code under test: a statement, one
// number, one column. Named parameters (":NAME") bound from `values`; throw SqlError.

#include "platform/sqldatabase.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace dieta::test {

void execOn(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});
// The first column of the first row as a number; -1 when there is no row.
int countOf(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});
// The first column of every row, as text.
QStringList columnOf(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});

} // namespace dieta::test
