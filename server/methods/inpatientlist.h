#pragma once
// The day's inpatient list (the module's cdsInternacao) for a parameter packet (its cdsParams):
// branch, service or service group, date, and the floor, wing, diagnosis and service-standard
// lists and the patient type. Answered by GetInternacao and, after their writes, by every
// method that hands the screen a new list.
//
// Rows: every stay of the services active on the date (admitted on or before it, not
// discharged before it), one row per day record of the patient and, when the stay has a
// companion, of the companion; a stay whose patient has no record yet gets one patient row
// with an empty diet and an empty sequence. Bed order; within a stay the patient's rows come
// first, then the companion's, each in sequence order.

#include "platform/datapacket.h"

#include <QSqlDatabase>

namespace dieta::server {

// The fields of the list, in the module's order (no calculated fields).
QList<FieldDef> inpatientFields();

// The list for the first row of `params`; an empty list (with its fields) when the packet has
// no row. Throws MethodError for parameters that are missing, too long or name no service.
// The rows go from the database straight into the packet's bytes; buildInpatientList reads
// those bytes back for callers that look into the rows.
// rowCount, when given, receives the number of rows written (for the read's audit).
QByteArray encodeInpatientList(const QSqlDatabase& conn, const DataPacket& params,
                               qsizetype* rowCount = nullptr);
// The list as a call's result (an EncodedPacket).
QVariant inpatientListResult(const QSqlDatabase& conn, const DataPacket& params);
DataPacket buildInpatientList(const QSqlDatabase& conn, const DataPacket& params);

} // namespace dieta::server
