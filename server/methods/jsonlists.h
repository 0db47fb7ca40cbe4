#pragma once
// Lists that travel into a statement as one value, a JSON array the database unpacks: the
// statement's text stays the same whatever the list's length, so the prepared statement is
// kept and reused, and neither the text nor its binding grows with the list.

#include "platform/sqldatabase.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace dieta::server {

using KeyPair = QPair<QString, QString>;

// ["a","b",...]
QString jsonList(const QStringList& codes);
// [["a","01"],["b","02"],...]
QString jsonPairs(const QList<KeyPair>& pairs);

// "<column> is one of the codes of the JSON list bound to :<name>". On PostgreSQL the list is
// unpacked once into an array that an index scan takes as its condition (an IN subquery there
// is planned as a nested loop that unpacks the list again for every row).
QString codeCondition(SqlEngine engine, const QString& column, const QString& name);
// "(<first>, <second>) is one of the JSON pairs bound to :<name>", the same way.
QString pairCondition(SqlEngine engine, const QString& first, const QString& second,
                      const QString& name);
// A subquery of two columns, FIRSTKEY and SECONDKEY, from the JSON pairs bound to :<name>, to
// select rows from.
QString pairsFrom(SqlEngine engine, const QString& name);

} // namespace dieta::server
