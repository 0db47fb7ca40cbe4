#pragma once
// A coherent demo hospital, deterministic for a seed, sized for demonstrations or benchmarks.

#include "server/auth/passwords.h"

#include <QDate>
#include <QList>
#include <QString>
#include <cstdint>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server {

struct DemoOptions {
    int inpatients = 300; // patients staying on the reference date (beds follow)
    std::uint32_t seed = 13000;
    QDate today = QDate::currentDate(); // menu cards and prescriptions are laid around it
    auth::PasswordCost passwordCost = auth::PasswordCost::Standard;
};

// An operator of the demo and the random password it was given.
struct DemoCredential {
    QString operatorCode;
    QString password;
};

// Fills an empty, migrated database; its operators get random passwords, answered once and
// kept nowhere but as hashes. Does nothing (and answers nothing) when demo data is already
// there.
QList<DemoCredential> generateDemo(SqlDatabase& db, const DemoOptions& options);

} // namespace dieta::server
