#include "server/methods/restrictedstays.h"

#include "server/methods/answercache.h"
#include "server/methods/methodsupport.h"
#include "server/storage/rowcursor.h"

#include <QVariantMap>
#include <algorithm>

namespace dieta::server {

std::shared_ptr<const RestrictedStays> RestrictedStays::of(const QSqlDatabase& conn,
                                                           const QString& branch, QDate day,
                                                           const QStringList& services) {
    const QString key =
        AnswerCache::keyOf(QStringLiteral("RestrictedStays"),
                           QStringList{branch, day.toString(Qt::ISODate)} + services);
    return AnswerCache::shared().kept<RestrictedStays>(
        conn, key,
        {QStringLiteral("INTERNA"), QStringLiteral("DIAGINTER"), QStringLiteral("RESTINTO"),
         QStringLiteral("MEDIINTE"), QStringLiteral("MEDIPRIN"), QStringLiteral("PRINNUTR")},
        [&] { return read(conn, branch, day, services); });
}

RestrictedStays RestrictedStays::read(const QSqlDatabase& conn, const QString& branch, QDate day,
                                      const QStringList& services) {
    QVariantMap values{{QStringLiteral("BRANCH"), branch}, {QStringLiteral("DAY"), day}};
    const QString sql =
        QStringLiteral(
            "SELECT I.CDPACIENTE, I.DTINTERNA FROM INTERNA I WHERE I.CDFILIAL = :BRANCH"
            " AND I.DTINTERNA <= :DAY AND (I.DTALTA IS NULL OR I.DTALTA >= :DAY)%1"
            " AND (EXISTS (SELECT 1 FROM DIAGINTER DI JOIN RESTINTO R ON R.CDDIAGNOST ="
            " DI.CDDIAGNOST WHERE DI.CDFILIAL = I.CDFILIAL AND DI.CDPACIENTE = I.CDPACIENTE"
            " AND DI.DTINTERNA = I.DTINTERNA) OR EXISTS (SELECT 1 FROM MEDIINTE MI JOIN"
            " MEDIPRIN MP ON MP.CDMEDICAMENT = MI.CDMEDICAMENT JOIN PRINNUTR PN ON"
            " PN.CDPRINATIV = MP.CDPRINATIV WHERE MI.CDFILIAL = I.CDFILIAL AND MI.CDPACIENTE"
            " = I.CDPACIENTE AND MI.DTINTERNA = I.DTINTERNA AND MI.DTINIMEDI <= :DAY AND"
            " (MI.DTFIMMEDI IS NULL OR MI.DTFIMMEDI >= :DAY)))")
            .arg(inCondition(QStringLiteral("I.CDSERVFILI"), services, QStringLiteral("SERV"),
                             values));
    RestrictedStays stays;
    RowCursor rows(conn, sql, values);
    while (rows.next()) {
        const QByteArrayView patient = rows.utf8(0), admission = rows.utf8(1);
        stays.keys_.push_back(keyOf({patient.data(), size_t(patient.size())},
                                    {admission.data(), size_t(admission.size())}));
    }
    std::sort(stays.keys_.begin(), stays.keys_.end());
    return stays;
}

bool RestrictedStays::contains(std::string_view patient, std::string_view admission) const {
    return std::binary_search(keys_.begin(), keys_.end(), keyOf(patient, admission));
}

qsizetype RestrictedStays::bytes() const {
    qsizetype total = qsizetype(keys_.capacity() * sizeof(std::string));
    for (const std::string& key : keys_)
        total += qsizetype(key.capacity());
    return total;
}

// The admission, a date, never holds the separator, so the pair reads back one way only.
std::string RestrictedStays::keyOf(std::string_view patient, std::string_view admission) {
    std::string key;
    key.reserve(patient.size() + 1 + admission.size());
    key.append(patient).append(1, '\x1f').append(admission);
    return key;
}

} // namespace dieta::server
