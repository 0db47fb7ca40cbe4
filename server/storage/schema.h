#pragma once
// The hospital database's schema: created and migrated to the newest version on start.

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

// The diet code under which a service of kind "N" (menu independent of the diet) keeps its
// menu cards (COMPCARD.CDDIETCARD). Table by table, the columns are described in schema.cpp.
inline constexpr char kServiceCardDiet[] = "*";

// Creates the tables on an empty database and applies every pending migration, in one
// transaction per migration. Safe to run on every start and from several processes.
void migrate(SqlDatabase& db);

// The version the database is at (0 before the first migrate()).
int schemaVersion(SqlDatabase& db);

// The version migrate() brings a database to.
int latestSchemaVersion();

} // namespace dieta::server
