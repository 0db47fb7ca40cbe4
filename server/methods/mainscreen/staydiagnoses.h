#pragma once
// The diagnoses of a branch's stays, as GetDiagInter answers them: one row per diagnosis of
// every stay still open or ended on or after a day, holding the patient, the admission day
// (dd/MM/yyyy) and the diagnosis' name, in patient (code-point), admission and diagnosis order.

#include "platform/sqldatabase.h"

#include <QByteArray>
#include <QDate>
#include <QSqlDatabase>
#include <QString>

namespace dieta {
class PacketStream;
}

namespace dieta::server {

// Appends the rows to a packet whose fields are the three above; throws SqlError.
void writeStayDiagnoses(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                        const QDate& since, PacketStream& packet);

} // namespace dieta::server
