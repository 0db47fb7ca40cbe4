#include "server/transport/connectiontable.h"

#include <algorithm>

namespace dieta::server {

ConnectionTable::ConnectionTable(int maxTotal, int maxPerClient)
    : maxTotal_(std::max(1, maxTotal)), maxPerClient_(std::max(1, maxPerClient)) {}

ConnectionTable::Admission ConnectionTable::admit(TrackedConnection& connection,
                                                  const std::string& address) {
    auto found = perAddress_.find(address);
    if (found != perAddress_.end() && found->second >= maxPerClient_)
        return Admission::TooManyFromClient;
    if (total_ >= maxTotal_) {
        if (idle_.empty())
            return Admission::Full;
        idle_.front()->closeNow(); // leaves through remove()
    }
    connection.address_ = address;
    connection.counted_ = true;
    connection.at_ = all_.insert(all_.end(), &connection);
    ++perAddress_[address];
    ++total_;
    return Admission::Admitted;
}

void ConnectionTable::remove(TrackedConnection& connection) {
    if (!connection.counted_)
        return;
    markBusy(connection);
    connection.counted_ = false;
    all_.erase(connection.at_);
    --total_;
    auto found = perAddress_.find(connection.address_);
    if (found != perAddress_.end() && --found->second <= 0)
        perAddress_.erase(found);
}

void ConnectionTable::markIdle(TrackedConnection& connection) {
    if (!connection.counted_ || connection.idle_)
        return;
    connection.idleAt_ = idle_.insert(idle_.end(), &connection);
    connection.idle_ = true;
}

void ConnectionTable::markBusy(TrackedConnection& connection) {
    if (!connection.idle_)
        return;
    idle_.erase(connection.idleAt_);
    connection.idle_ = false;
}

void ConnectionTable::stopAll(bool force) {
    // Closing removes a connection from the list being walked: walk a copy.
    const std::list<TrackedConnection*> current = all_;
    for (TrackedConnection* connection : current) {
        if (force)
            connection->closeNow();
        else
            connection->onStop();
    }
}

} // namespace dieta::server
