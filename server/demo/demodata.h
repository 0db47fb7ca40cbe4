#pragma once
// A coherent demo hospital, deterministic for a seed, sized for demonstrations or benchmarks.

#include <QDate>
#include <cstdint>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

struct DemoOptions {
    int inpatients = 300; // patients staying on the reference date (beds follow)
    std::uint32_t seed = 13000;
    QDate today = QDate::currentDate(); // menu cards and prescriptions are laid around it
};

// Fills an empty, migrated database. Does nothing when demo data is already there.
void generateDemo(SqlDatabase& db, const DemoOptions& options);

} // namespace dieta::server
