#include "server/methods/answercache.h"

#include "platform/sqldatabase.h"
#include "server/storage/changelistener.h"
#include "server/storage/rowcursor.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

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
    return appendTableCounts(counted, tables, versions) ? versions : QList<qint64>();
}

// As announced to the database's listener when one listens (no round trip), else as read now.
// The two never agree: the listener's begin with two more numbers.
QList<qint64> AnswerCache::versionsOf(quint64 instance, const QSqlDatabase& conn,
                                      const QStringList& tables) {
    if (const std::shared_ptr<ChangeListener> listener = ChangeListener::of(instance)) {
        QList<qint64> versions = listener->versions(tables);
        if (!versions.isEmpty())
            return versions;
    }
    return tableVersions(conn, tables);
}

std::shared_ptr<const void> AnswerCache::keptValue(const QSqlDatabase& conn, const QString& key,
                                                   const QStringList& tables,
                                                   const std::function<Value()>& read) {
    // The instance tells apart two databases of one process, whose counts may well agree.
    const quint64 instance = databaseInstanceOf(conn);
    // Counted before the read: a change committed meanwhile makes the next count differ.
    const QList<qint64> versions = instance ? versionsOf(instance, conn, tables) : QList<qint64>();
    if (versions.isEmpty())
        return read().value;
    const QString fullKey = QString::number(instance) + u'\x1f' + key;
    if (std::shared_ptr<const void> found = find(fullKey, versions))
        return found;
    Value value = read();
    keep({fullKey, versions, value});
    return value.value;
}

QString AnswerCache::keyOf(const QString& read, const QStringList& arguments) {
    return read + u'|' +
           QString::fromUtf8(
               QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact));
}

AnswerCache& AnswerCache::shared() {
    static AnswerCache cache;
    return cache;
}

std::shared_ptr<const void> AnswerCache::find(const QString& key, const QList<qint64>& versions) {
    std::lock_guard guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key != key)
            continue;
        if (it->versions != versions)
            return nullptr;
        entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().kept.value;
    }
    return nullptr;
}

void AnswerCache::keep(Entry entry) {
    if (entry.kept.bytes > maxBytes / 4)
        return; // one answer may not crowd out the rest
    std::lock_guard guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == entry.key) {
            bytes_ -= it->kept.bytes;
            entries_.erase(it);
            break;
        }
    }
    bytes_ += entry.kept.bytes;
    entries_.push_front(std::move(entry));
    while (int(entries_.size()) > maxEntries || bytes_ > maxBytes) {
        bytes_ -= entries_.back().kept.bytes;
        entries_.pop_back();
    }
}

} // namespace dieta::server
