#pragma once
// The transport's count of open connections: how many each client address holds, how many in
// all, and which ones sit idle between requests, oldest first. When every slot is taken, the
// longest-idle keep-alive connection gives way to a new one, so idle clients can never lock
// out a working one. Used by the I/O thread only: no locking.

#include <list>
#include <string>
#include <unordered_map>

namespace dieta::server {

// What the table knows of a connection: an address and a way to close it.
class TrackedConnection {
public:
    virtual ~TrackedConnection() = default;
    // Closes the socket now and leaves the table (ConnectionTable::remove) before returning.
    virtual void closeNow() = 0;
    // The server stops: close unless a call is running or its answer is being written.
    virtual void onStop() = 0;

private:
    friend class ConnectionTable;
    std::string address_;
    bool counted_ = false;
    bool idle_ = false;
    std::list<TrackedConnection*>::iterator idleAt_;
    std::list<TrackedConnection*>::iterator at_;
};

class ConnectionTable {
public:
    enum class Admission { Admitted, TooManyFromClient, Full };

    ConnectionTable(int maxTotal, int maxPerClient);

    // Counts the connection in, making room by closing the longest-idle connection when
    // every slot is taken.
    Admission admit(TrackedConnection& connection, const std::string& address);
    // Idempotent; a connection that was never admitted is ignored.
    void remove(TrackedConnection& connection);

    void markIdle(TrackedConnection& connection);
    void markBusy(TrackedConnection& connection);

    // Tells every connection that the server stops; force closes them all.
    void stopAll(bool force);

    int total() const { return total_; }
    int maxTotal() const { return maxTotal_; }

private:
    int maxTotal_;
    int maxPerClient_;
    int total_ = 0;
    std::unordered_map<std::string, int> perAddress_;
    std::list<TrackedConnection*> all_;
    std::list<TrackedConnection*> idle_; // oldest first
};

} // namespace dieta::server
