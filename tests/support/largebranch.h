#pragma once
// A large branch for the dialogs' benchmarks: branch 0001 with five services of group G01,
// `patients` stays in as many beds (two wings, ten floors), each patient with one day record
// of diet 0001 on `origin` holding `dishes` menu choices, and the diet's card on the days
// after it. NUTRI01 is its nutritionist.

#include "platform/sqldatabase.h"

#include <QDate>

namespace dieta::test {

void seedLargeBranch(SqlDatabase& db, int patients, int dishes, QDate origin);

} // namespace dieta::test
