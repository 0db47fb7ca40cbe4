#include "server/methods/jsonlists.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace dieta::server {

namespace {

QString compact(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

} // namespace

QString jsonList(const QStringList& codes) {
    return compact(QJsonArray::fromStringList(codes));
}

QString jsonPairs(const QList<KeyPair>& pairs) {
    QJsonArray array;
    for (const KeyPair& pair : pairs)
        array.append(QJsonArray{pair.first, pair.second});
    return compact(array);
}

QString codeCondition(SqlEngine engine, const QString& column, const QString& name) {
    return engine == SqlEngine::SQLite
               ? QStringLiteral("%1 IN (SELECT value FROM json_each(:%2))").arg(column, name)
               : QStringLiteral("%1 = ANY (ARRAY(SELECT jsonb_array_elements_text(CAST(:%2 AS"
                                " jsonb))))")
                     .arg(column, name);
}

QString pairCondition(SqlEngine engine, const QString& first, const QString& second,
                      const QString& name) {
    if (engine == SqlEngine::SQLite)
        return QStringLiteral("(%1, %2) IN (%3)").arg(first, second, pairsFrom(engine, name));
    // The first column narrows the index scan; the pair, joined by a control character no code
    // holds, picks the rows.
    return QStringLiteral("%1 = ANY (ARRAY(SELECT K ->> 0 FROM jsonb_array_elements(CAST(:%3 AS"
                          " jsonb)) K)) AND %1 || chr(31) || %2 = ANY (ARRAY(SELECT (K ->> 0) ||"
                          " chr(31) || (K ->> 1) FROM jsonb_array_elements(CAST(:%3 AS jsonb)) K))")
        .arg(first, second, name);
}

QString pairsFrom(SqlEngine engine, const QString& name) {
    return engine == SqlEngine::SQLite
               ? QStringLiteral("SELECT json_extract(value, '$[0]') AS FIRSTKEY,"
                                " json_extract(value, '$[1]') AS SECONDKEY FROM json_each(:%1)")
                     .arg(name)
               : QStringLiteral("SELECT K ->> 0 AS FIRSTKEY, K ->> 1 AS SECONDKEY"
                                " FROM jsonb_array_elements(CAST(:%1 AS jsonb)) K")
                     .arg(name);
}

} // namespace dieta::server
