#include "server/auth/sessioncache.h"

namespace dieta::server::auth {

namespace {
constexpr qsizetype maxEntries = 10'000;
}

std::optional<QString> SessionCache::find(const QString& digest, qint64 nowMs) {
    std::lock_guard guard(lock_);
    const auto it = entries_.constFind(digest);
    if (it == entries_.constEnd())
        return std::nullopt;
    if (nowMs - it->checkedMs >= trustMs_ || nowMs >= it->expiresMs || nowMs < it->checkedMs)
        return std::nullopt;
    return it->operatorCode;
}

void SessionCache::remember(const QString& digest, const QString& operatorCode, qint64 expiresMs,
                            qint64 nowMs) {
    std::lock_guard guard(lock_);
    if (entries_.size() >= maxEntries)
        dropStale(nowMs);
    entries_.insert(digest, {operatorCode, expiresMs, nowMs});
}

void SessionCache::forget(const QString& digest) {
    std::lock_guard guard(lock_);
    entries_.remove(digest);
}

void SessionCache::dropStale(qint64 nowMs) {
    entries_.removeIf([&](const auto& item) { return nowMs - item.value().checkedMs >= trustMs_; });
    if (entries_.size() >= maxEntries) // all fresh: a flood of sessions; start over
        entries_.clear();
}

} // namespace dieta::server::auth
