#pragma once
// The module's locale, pt-BR, whatever the machine's (CI runs in "C"): dates "dd/MM/yyyy",
// Portuguese day names, numbers with a decimal comma and a dot between thousands.

#include "framework/framework_export.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace dieta::ptbr {

FRAMEWORK_EXPORT QLocale locale();

inline constexpr const char* shortDateFormat = "dd/MM/yyyy";
FRAMEWORK_EXPORT QString formatDate(const QDate& date); // "" for a null date
// Strict "dd/MM/yyyy" (one-digit day and month accepted); nullopt for an invalid date.
FRAMEWORK_EXPORT std::optional<QDate> parseDate(const QString& text);

// Qt's day of the week (1 Monday .. 7 Sunday). Short: "Domingo", "Segunda", "Terça",
// "Quarta", "Quinta", "Sexta", "Sábado"; long: "Domingo", "Segunda-feira", ..., "Sábado".
FRAMEWORK_EXPORT QString shortDayName(int dayOfWeek);
FRAMEWORK_EXPORT QString longDayName(int dayOfWeek);
FRAMEWORK_EXPORT QString monthName(int month); // "Janeiro" .. "Dezembro"

// Fixed decimals with a comma; thousands grouped with '.' when asked ("1.234,50").
FRAMEWORK_EXPORT QString formatNumber(double value, int decimals, bool groupThousands = false);
// Reads "1.234,5", "1234,5" and "-0,25" (blanks around allowed); nullopt when not a number.
FRAMEWORK_EXPORT std::optional<double> parseNumber(const QString& text);

} // namespace dieta::ptbr
