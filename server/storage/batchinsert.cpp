#include "server/storage/batchinsert.h"

#include "platform/sqldatabase.h"

#include <QSqlError>
#include <algorithm>

namespace dieta::server {

namespace {
// Below SQLite's oldest limit of bound values per statement (999).
constexpr int maxValuesPerStatement = 990;
constexpr int maxRowsPerStatement = 200;
} // namespace

BatchInsert::BatchInsert(const QSqlDatabase& conn, const QString& table, const QStringList& columns)
    : conn_(conn), table_(table), columns_(columns),
      rowsPerStatement_(std::clamp(maxValuesPerStatement / std::max<int>(1, columns.size()), 1,
                                   maxRowsPerStatement)) {}

QString BatchInsert::statementText(int rowCount) const {
    QString row = QStringLiteral("(");
    for (qsizetype i = 0; i < columns_.size(); ++i)
        row += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    row += u')';
    QStringList rows;
    rows.reserve(rowCount);
    for (int i = 0; i < rowCount; ++i)
        rows.append(row);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(table_, columns_.join(QStringLiteral(", ")), rows.join(QStringLiteral(", ")));
}

void BatchInsert::run(QSqlQuery& query, int rowCount) {
    const int values = rowCount * static_cast<int>(columns_.size());
    for (int i = 0; i < values; ++i)
        query.bindValue(i, pending_.at(i));
    if (!query.exec())
        throw SqlError(QStringLiteral("insert into %1 failed: %2")
                           .arg(table_, query.lastError().text())
                           .toStdString());
    pending_.remove(0, values);
}

void BatchInsert::add(const QVariantList& row) {
    if (row.size() != columns_.size())
        throw SqlError(QStringLiteral("insert into %1: %2 values for %3 columns")
                           .arg(table_)
                           .arg(row.size())
                           .arg(columns_.size())
                           .toStdString());
    pending_.append(row);
    ++added_;
    if (pending_.size() < rowsPerStatement_ * columns_.size())
        return;
    if (!fullChunk_) {
        fullChunk_.emplace(conn_);
        if (!fullChunk_->prepare(statementText(rowsPerStatement_)))
            throw SqlError(fullChunk_->lastError().text().toStdString());
    }
    run(*fullChunk_, rowsPerStatement_);
}

void BatchInsert::flush() {
    const int rows = static_cast<int>(pending_.size() / std::max<qsizetype>(1, columns_.size()));
    if (rows == 0)
        return;
    QSqlQuery rest(conn_);
    if (!rest.prepare(statementText(rows)))
        throw SqlError(rest.lastError().text().toStdString());
    run(rest, rows);
}

} // namespace dieta::server
