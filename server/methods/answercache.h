#pragma once
// Answers of reads that stay the same until the tables they are read from change, kept under
// their database and arguments with the change counts of those tables (VERSAODADO, kept by
// triggers) taken before the answer was read. A kept answer is given again only while every
// count is still the same, so it is never older than the tables; on PostgreSQL the counts are
// those the triggers announced (server/storage/changelistener.h), which trail another
// process's commit by the notice's way here. Shared by every worker of the process, bounded in
// entries and bytes; the least recently used goes first.

#include "platform/packetstream.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <list>
#include <memory>
#include <mutex>

namespace dieta::server {

inline qsizetype keptBytes(const EncodedPacket& packet) {
    return packet.json.size();
}

class AnswerCache {
public:
    // The change counts of the tables, in their order; empty when any is missing (then nothing
    // is kept). Throws SqlError.
    static QList<qint64> tableVersions(const QSqlDatabase& conn, const QStringList& tables);

    // The kept value of the key when its tables are as counted, else the read's, kept. Nothing
    // is kept for a connection no database of this process opened for this thread. T gives
    // its size in bytes with keptBytes(const T&).
    template <class T>
    std::shared_ptr<const T> kept(const QSqlDatabase& conn, const QString& key,
                                  const QStringList& tables, const std::function<T()>& read) {
        return std::static_pointer_cast<const T>(keptValue(conn, key, tables, [&] {
            auto value = std::make_shared<const T>(read());
            return Value{value, keptBytes(*value)};
        }));
    }

    // kept() of a packet, as the call answers it.
    EncodedPacket answer(const QSqlDatabase& conn, const QString& key, const QStringList& tables,
                         const std::function<EncodedPacket()>& read) {
        return *kept(conn, key, tables, read);
    }

    // A key of the read's name and arguments, which may hold any separator: the arguments go
    // as a JSON array, so a key reads back one way only.
    static QString keyOf(const QString& read, const QStringList& arguments);

    static AnswerCache& shared();

    static constexpr int maxEntries = 64;
    static constexpr qsizetype maxBytes = 64 * 1024 * 1024;

private:
    struct Value {
        std::shared_ptr<const void> value;
        qsizetype bytes = 0;
    };
    struct Entry {
        QString key; // the database's instance and the read's key
        QList<qint64> versions;
        Value kept;
    };

    static QList<qint64> versionsOf(quint64 instance, const QSqlDatabase& conn,
                                    const QStringList& tables);
    std::shared_ptr<const void> keptValue(const QSqlDatabase& conn, const QString& key,
                                          const QStringList& tables,
                                          const std::function<Value()>& read);
    std::shared_ptr<const void> find(const QString& key, const QList<qint64>& versions);
    void keep(Entry entry);

    std::mutex lock_;
    std::list<Entry> entries_; // most recently used first
    qsizetype bytes_ = 0;
};

} // namespace dieta::server
