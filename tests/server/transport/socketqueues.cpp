#include "tests/server/transport/socketqueues.h"

#include <QFile>
#include <QList>

namespace dieta::test {

namespace {

constexpr int kEstablished = 0x01;

// "0100007F:1F90" -> 0x1F90.
int portOf(const QByteArray& address) {
    return address.mid(address.indexOf(':') + 1).toInt(nullptr, 16);
}

} // namespace

bool loopbackQueuesDrained(int port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    table.readLine(); // the titles
    while (!table.atEnd()) {
        // sl local remote st tx_queue:rx_queue ...
        const QList<QByteArray> cells = table.readLine().simplified().split(' ');
        if (cells.size() < 5 || cells[3].toInt(nullptr, 16) != kEstablished)
            continue;
        if (portOf(cells[1]) != port && portOf(cells[2]) != port)
            continue;
        const QList<QByteArray> queues = cells[4].split(':');
        if (queues.size() != 2 || queues[0].toLongLong(nullptr, 16) != 0 ||
            queues[1].toLongLong(nullptr, 16) != 0)
            return false;
    }
    return true;
}

} // namespace dieta::test
