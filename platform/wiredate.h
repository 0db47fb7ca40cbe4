#pragma once
// Dates as the wire and the packets write them ("yyyy-MM-dd", "yyyy-MM-ddTHH:mm:ss") and the
// operator's short date ("dd/MM/yyyy"). Hand-written: a packet holds thousands of them and
// QDateTime::fromString costs several times the JSON parse.

#include "platform/platform_export.h"

#include <QDate>
#include <QDateTime>
#include <QString>

namespace dieta {

// Invalid QDate / QDateTime when the text is not exactly in the format or names no real day.
PLATFORM_EXPORT QDate parseIsoDate(QStringView text);
// Also takes a bare "yyyy-MM-dd" (midnight) and a blank instead of the "T".
PLATFORM_EXPORT QDateTime parseIsoDateTime(QStringView text);
// The same text in its parts, without building a QDateTime (which asks for the zone's offset).
PLATFORM_EXPORT bool splitIsoDateTime(QStringView text, QDate* date, QTime* time);
PLATFORM_EXPORT QString formatIsoDate(QDate date);
PLATFORM_EXPORT QString formatIsoDateTime(const QDateTime& dateTime);
PLATFORM_EXPORT QString formatShortDate(QDate date); // dd/MM/yyyy
PLATFORM_EXPORT QDate parseShortDate(QStringView text);

} // namespace dieta
