#pragma once
// The domain's rules for single values, the same in every method: codes no wider than their
// columns, quantities and hours that are finite numbers of a sensible size, and dates of the
// calendar the hospital works in. Each check throws MethodError with the operator's text.

#include "contracts/rdmdietaoral.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace dieta::server {

// The largest quantity of a dish (portions) or number of hours a choice may hold, either sign:
// a negative quantity is how the screen unticks a dish.
inline constexpr double kMaxAmount = 9999.0;

// The number itself; MethodError "<what>: valor inválido ..." when it is not finite or its
// size is above kMaxAmount. Null stays null.
QVariant checkedAmount(const QVariant& value, const QString& what);

// The first and last day a service date may fall on.
inline constexpr int kFirstYear = 1900;
inline constexpr int kLastYear = 2199;
bool isServiceDate(QDate date);
// The date itself (invalid stays invalid: "not given"); MethodError when outside the years.
QDate checkedDate(QDate date, const QString& what);

// Why the call's arguments break a rule of the domain (a code wider than its column); "" when
// they break none. Checked before any handler runs, so that every method refuses alike.
QString argumentRefusal(const contracts::rdm::MethodDecl& method, const QVariantList& args);

// Nutrient totals as the screen shows them: five decimals for a total, three for an energy
// share. Both engines then answer the same, whatever order they summed in.
double roundedTotal(double value);
double roundedShare(double value);

} // namespace dieta::server
