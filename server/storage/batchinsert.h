#pragma once
// Bulk loading: rows of one table gathered into multi-row INSERT statements, prepared once per
// chunk size, so that tens of thousands of rows cost a few hundred round trips on PostgreSQL.

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>
#include <optional>

namespace dieta::server {

class BatchInsert {
public:
    BatchInsert(const QSqlDatabase& conn, const QString& table, const QStringList& columns);
    BatchInsert(const BatchInsert&) = delete;
    BatchInsert& operator=(const BatchInsert&) = delete;

    // One row, its values in the order of the columns; throws SqlError on a wrong count or
    // when a full chunk fails to insert.
    void add(const QVariantList& row);
    // Inserts the rows still pending; call before the transaction commits.
    void flush();
    qint64 rowsAdded() const { return added_; }

private:
    QString statementText(int rowCount) const;
    void run(QSqlQuery& query, int rowCount);

    QSqlDatabase conn_;
    QString table_;
    QStringList columns_;
    int rowsPerStatement_;
    std::optional<QSqlQuery> fullChunk_;
    QVariantList pending_;
    qint64 added_ = 0;
};

} // namespace dieta::server
