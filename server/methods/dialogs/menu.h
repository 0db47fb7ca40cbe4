#pragma once
// What the dialogs' methods share about services, diets and menus: looking them up, finding
// the menu card that serves a diet on a day, and writing a day record's menu choices.

#include "server/methodregistry.h"
#include "server/methods/dayrecords.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>

namespace dieta::server {

struct ServiceInfo {
    QString code;
    QString name;
    QString kind; // IDTIPOSERV: "A", "D" or "N" (menu of the service, whatever the diet)
    QString group;
};

struct DietInfo {
    QString code;
    QString name;
    QString group;
    QString kind; // IDFORMDIET
    bool special = false;

    bool needsCard() const { return kind != u"4"; } // a free composition is listed by hand
};

// One dish of a menu: a card row offered to the operator, or a choice of a day record.
struct MenuRow {
    QString dishType;
    QString dishTypeName;
    QString dishBranch; // CDFILAUXPRAT
    QString dish;
    QString dishName;
    QString chosen = QStringLiteral("N"); // IDESCOCONF
    QString option = QStringLiteral("N"); // IDOPCAOCONF
    QString remark;
    QString restriction = QStringLiteral("0");
    QVariant quantity; // portions; null when none was given
    QVariant consumptionHour;
    QVariant intervalHours;
    QVariant periodHours;
    QVariant consumptionDate; // QDateTime or null
};

std::optional<ServiceInfo> findService(const QSqlDatabase& conn, const QString& branch,
                                       const QString& code);
std::optional<DietInfo> findDiet(const QSqlDatabase& conn, const QString& code);
bool dietAllowed(const QSqlDatabase& conn, const QString& branch, const QString& service,
                 const QString& diet);

// The CDDIETCARD of the card that serves the diet in the service on the day: the service's
// own card when the service's menu does not depend on the diet, else the diet's card, else its
// group's. Empty when there is none. `fallbackGroup` stands in for an unknown diet's group.
QString cardKeyFor(const QSqlDatabase& conn, const QString& branch, const ServiceInfo& service,
                   const QString& diet, const QString& fallbackGroup, QDate day);

// The dishes of a card in dish-type order, with their names, as a new menu: every dish that
// is no option comes chosen with its suggested quantity (one portion when the card gives none).
QList<MenuRow> cardMenu(const QSqlDatabase& conn, const QString& branch, const QString& service,
                        const QString& cardKey, QDate day);

// Replaces a day record's menu choices with `choices`, numbered "0001"... in order, in one
// statement: the dialogs write whole menus for many patients at once.
void writeMenu(const QSqlDatabase& conn, const DayRecordKey& key, const QList<Choice>& choices);

// The new inpatient list a writing dialog method answers with, for the list parameters; an
// empty list when there are none or they hold no row.
QVariant inpatientListAnswer(const QSqlDatabase& conn, const std::optional<DataPacket>& params);
// A write that succeeded answers the new list, read after its commit: the list is no part of
// the write and must not hold the write lock. A failed write answers its failure.
CallResult listAfterCommit(CallContext& context, const CallResult& written,
                           const std::optional<DataPacket>& params);

// Fields of the dialog's menu dataset, in the order the answer carries them.
DataPacket menuPacket(const QList<MenuRow>& rows, const QString& dietGroup);

// The operator a writing call acts for: its argument, else the request header. A call that
// names an operator other than the header's is refused (`error` says why).
struct CallOperator {
    QString code;
    QString error;
};
CallOperator callOperator(const CallContext& context, const QString& argument);

} // namespace dieta::server
