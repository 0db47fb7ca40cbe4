#include "platform/dtmdbgeral.h"

#include <atomic>

namespace dieta {

namespace {
std::atomic<SqlDatabase*> generalDatabase{nullptr};
}

SqlDatabase* TdtmDBGeral::Database() {
    return generalDatabase.load();
}

void TdtmDBGeral::SetDatabase(SqlDatabase* database) {
    generalDatabase.store(database);
}

ScopedGeneralDatabase::ScopedGeneralDatabase(SqlDatabase* database)
    : previous_(generalDatabase.exchange(database)) {}

ScopedGeneralDatabase::~ScopedGeneralDatabase() {
    generalDatabase.store(previous_);
}

} // namespace dieta
