#pragma once
// Reads of lists of patient data are audited once per call (who, branch, service, date and
// how many rows), never per row: enough to answer "who looked at this ward that day".

#include "server/storage/audit.h"

#include <QVariant>
#include <QVariantList>
#include <optional>

namespace dieta::server::auth {

// Whether the method reads patient data and so is audited per call.
bool readsPatientList(const QString& method);

// The audit entry of such a read, from its arguments (before the handler runs) and its
// result; nullopt for any other method. Operator and address are the caller's to fill.
std::optional<AuditEntry> listReadEntry(const QString& method, const QVariantList& args,
                                        const QVariant& result);

} // namespace dieta::server::auth
