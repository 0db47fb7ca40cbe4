#pragma once
// Answers of reads that stay the same until the tables they are read from change, kept under
// their database and arguments with the change counts of those tables (VERSAODADO, kept by
// triggers) read before the answer was. A kept answer is given again only while every count is
// still the same, so it is never older than the tables. Shared by every worker of the process,
// bounded in entries and bytes; the least recently used goes first.

#include "platform/packetstream.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <list>
#include <mutex>
#include <optional>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

class AnswerCache {
public:
    // The change counts of the tables, in their order; empty when any is missing (then nothing
    // is kept). Throws SqlError.
    static QList<qint64> tableVersions(const QSqlDatabase& conn, const QStringList& tables);

    // The kept answer of the key when its tables are as counted, else the read's, kept.
    EncodedPacket answer(SqlDatabase& db, const QSqlDatabase& conn, const QString& key,
                         const QStringList& tables, const std::function<EncodedPacket()>& read);

    static AnswerCache& shared();

    static constexpr int maxEntries = 16;
    static constexpr qsizetype maxBytes = 64 * 1024 * 1024;

private:
    struct Entry {
        QString key; // the database's instance and the read's key
        QList<qint64> versions;
        EncodedPacket packet;
    };

    std::optional<EncodedPacket> find(const QString& key, const QList<qint64>& versions);
    void keep(Entry entry);

    std::mutex lock_;
    std::list<Entry> entries_; // most recently used first
    qsizetype bytes_ = 0;
};

} // namespace dieta::server
