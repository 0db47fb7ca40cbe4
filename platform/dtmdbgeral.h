#pragma once
// The host's general data module: the database connection on which every lookup query
// (TADOIBQuery) of the modules runs. The host sets it once at start-up, before it loads a
// module; tests set a temporary one. It does not own the database.

#include "platform/platform_export.h"

namespace dieta {

class SqlDatabase;

class PLATFORM_EXPORT TdtmDBGeral {
public:
    // Null until the host (or a test) sets it.
    static SqlDatabase* Database();
    static void SetDatabase(SqlDatabase* database);
};

// Sets the general database for one scope and puts the previous one back (tests).
class PLATFORM_EXPORT ScopedGeneralDatabase {
public:
    explicit ScopedGeneralDatabase(SqlDatabase* database);
    ~ScopedGeneralDatabase();
    ScopedGeneralDatabase(const ScopedGeneralDatabase&) = delete;
    ScopedGeneralDatabase& operator=(const ScopedGeneralDatabase&) = delete;

private:
    SqlDatabase* previous_;
};

} // namespace dieta
