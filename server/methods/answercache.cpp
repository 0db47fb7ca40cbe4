#include "server/methods/answercache.h"

#include "platform/sqldatabase.h"
#include "server/storage/rowcursor.h"

#include <QHash>

namespace dieta::server {

QList<qint64> AnswerCache::tableVersions(const QSqlDatabase& conn, const QStringList& tables) {
    // One look for all (a round trip each would cost more than the rest on PostgreSQL); the
    // table holds a row per counted table, a handful.
    RowCursor rows(conn, QStringLiteral("SELECT NMTABELA, NRVERSAO FROM VERSAODADO"), {});
    QHash<QString, qint64> counted;
    while (rows.next())
        if (!rows.isNull(1))
            counted.insert(QString::fromUtf8(rows.utf8(0)), rows.utf8(1).toLongLong());
    QList<qint64> versions;
    for (const QString& table : tables) {
        const auto found = counted.constFind(table);
        if (found == counted.cend())
            return {};
        versions.append(*found);
    }
    return versions;
}

EncodedPacket AnswerCache::answer(SqlDatabase& db, const QSqlDatabase& conn, const QString& key,
                                  const QStringList& tables,
                                  const std::function<EncodedPacket()>& read) {
    // Counted before the read: a change committed meanwhile makes the next count differ.
    const QList<qint64> versions = tableVersions(conn, tables);
    if (versions.isEmpty())
        return read();
    const QString fullKey = QString::number(db.instanceId()) + u'\x1f' + key;
    if (std::optional<EncodedPacket> kept = find(fullKey, versions))
        return *std::move(kept);
    EncodedPacket packet = read();
    keep({fullKey, versions, packet});
    return packet;
}

AnswerCache& AnswerCache::shared() {
    static AnswerCache cache;
    return cache;
}

std::optional<EncodedPacket> AnswerCache::find(const QString& key, const QList<qint64>& versions) {
    std::lock_guard guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key != key)
            continue;
        if (it->versions != versions)
            return std::nullopt;
        entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().packet; // shares the bytes
    }
    return std::nullopt;
}

void AnswerCache::keep(Entry entry) {
    if (entry.packet.json.size() > maxBytes / 4)
        return; // one answer may not crowd out the rest
    std::lock_guard guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == entry.key) {
            bytes_ -= it->packet.json.size();
            entries_.erase(it);
            break;
        }
    }
    bytes_ += entry.packet.json.size();
    entries_.push_front(std::move(entry));
    while (int(entries_.size()) > maxEntries || bytes_ > maxBytes) {
        bytes_ -= entries_.back().packet.json.size();
        entries_.pop_back();
    }
}

} // namespace dieta::server
