#pragma once
// The stays of a branch's services on a day whose patient is restricted: a diagnosis of the
// stay restricts a product group, or a medicine given on the day has an active ingredient that
// interacts with a nutrient. Asked on every list, and changed only when the stays, their
// diagnoses and medicines or what restricts them change: kept in the AnswerCache.

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dieta::server {

class RestrictedStays {
public:
    // Read afresh, or as kept while its tables are unchanged. Throws SqlError.
    static std::shared_ptr<const RestrictedStays>
    of(const QSqlDatabase& conn, const QString& branch, QDate day, const QStringList& services);

    // The patient and the admission as the stays' cells read them.
    bool contains(std::string_view patient, std::string_view admission) const;

    qsizetype bytes() const;

private:
    static RestrictedStays read(const QSqlDatabase& conn, const QString& branch, QDate day,
                                const QStringList& services);
    static std::string keyOf(std::string_view patient, std::string_view admission);

    std::vector<std::string> keys_; // sorted
};

inline qsizetype keptBytes(const RestrictedStays& stays) {
    return stays.bytes();
}

} // namespace dieta::server
