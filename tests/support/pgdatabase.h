#pragma once
// A PostgreSQL database of its own for one test or benchmark: created under a unique name on
// the cluster DIETA_TEST_PG names, dropped again (with any session still on it) when the
// object goes, so that suites running side by side never see each other's rows.

#include <QString>

namespace dieta::test {

class ThrowawayPgDatabase {
public:
    // Throws (std::runtime_error, SqlError) when DIETA_TEST_PG is unset or the cluster refuses.
    ThrowawayPgDatabase();
    ~ThrowawayPgDatabase();
    ThrowawayPgDatabase(const ThrowawayPgDatabase&) = delete;
    ThrowawayPgDatabase& operator=(const ThrowawayPgDatabase&) = delete;

    QString name() const { return name_; }
    // The cluster's connection string pointing at this database.
    QString connection() const { return connection_; }

private:
    QString name_;
    QString connection_;
};

} // namespace dieta::test
