#pragma once
// CPU time of the whole process (every thread: the client, the in-process server's workers,
// SQLite), the figure a loaded machine does not inflate the way it inflates the wall clock.

#include <ctime>

namespace dieta::bench {

inline double processCpuMillis() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace dieta::bench
