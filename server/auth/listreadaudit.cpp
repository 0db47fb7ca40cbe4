#include "server/auth/listreadaudit.h"

#include "contracts/rdmdietaoral.h"
#include "platform/packetstream.h"
#include "platform/wirevalue.h"

#include <QSet>

namespace dieta::server::auth {

namespace {

namespace rdm = contracts::rdm;

QVariant argument(const rdm::MethodDecl& decl, const QVariantList& args, const char* name) {
    const int at = decl.position(name);
    return at >= 0 && at < args.size() ? args.at(at) : QVariant();
}

QDate dateOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return {};
}

// The inpatient list carries its filters in a one-row parameter packet.
void fromParameterPacket(const QVariant& params, AuditEntry& entry) {
    if (!isPacket(params))
        return;
    const DataPacket packet = toPacket(params);
    entry.branch = packet.value(0, u"CDFILIAL").toString();
    entry.service = packet.value(0, u"CDSERVFILI").toString();
    entry.date = dateOf(packet.value(0, u"DTSERVINTE"));
}

} // namespace

bool readsPatientList(const QString& method) {
    static const QSet<QString> methods{
        QString::fromLatin1(rdm::GetInternacao),    QString::fromLatin1(rdm::GetDiagInter),
        QString::fromLatin1(rdm::GetConfesco),      QString::fromLatin1(rdm::GerVisuaRestInto),
        QString::fromLatin1(rdm::GetVdCopia),       QString::fromLatin1(rdm::GetPaciInter),
        QString::fromLatin1(rdm::GetCalcNutriente), QString::fromLatin1(rdm::GetPrescricao)};
    return methods.contains(method);
}

std::optional<AuditEntry> listReadEntry(const QString& method, const QVariantList& args,
                                        const QVariant& result) {
    if (!readsPatientList(method))
        return std::nullopt;
    const rdm::MethodDecl* decl = rdm::findMethod(method);
    if (!decl)
        return std::nullopt;
    AuditEntry entry;
    entry.method = method;
    entry.branch = argument(*decl, args, "branch").toString();
    entry.service = argument(*decl, args, "service").toString();
    entry.date = dateOf(argument(*decl, args, "day"));
    if (!entry.date.isValid())
        entry.date = dateOf(argument(*decl, args, "destination"));
    if (method == QLatin1String(rdm::GetInternacao))
        fromParameterPacket(argument(*decl, args, "params"), entry);
    if (isPacket(result))
        entry.rows = int(toPacket(result).rows.size());
    else if (result.metaType() == QMetaType::fromType<EncodedPacket>()) // streamed lists
        entry.rows = int(result.value<EncodedPacket>().rows);
    else
        entry.rows = -1;
    return entry;
}

} // namespace dieta::server::auth
