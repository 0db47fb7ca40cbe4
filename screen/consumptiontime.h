#pragma once
// Consumption, interval and period times: a number of hours held as a fraction and shown as
// "HHHH:MM" (hours padded to four, minutes to two digits).

#include <QString>
#include <optional>

namespace dieta::Cli_zfa13000 {

// Hours as "HHHH:MM"; a fraction a hair below the next hour shows as the next hour.
QString RealToStTime(double hours);

// "HHHH:MM" (blanks allowed, as a masked edit leaves them) as hours rounded to 8 decimals;
// an empty part counts as 0. Nothing when either part is not a number or is negative.
std::optional<double> StTimeToHours(const QString& text);

} // namespace dieta::Cli_zfa13000
