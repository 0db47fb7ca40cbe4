#pragma once
// While TZ is unset, glibc looks at the zone file again on every local-time conversion (a
// stat per call), and a decoded list converts a date per cell. Naming the system's own zone
// file makes it read the file once; local time stays the same. Call before any thread starts.

#include <QByteArray>
#include <QtGlobal>

namespace dieta {

inline void readLocalTimeZoneOnce() {
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
}

} // namespace dieta
