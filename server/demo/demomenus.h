#pragma once
// Menu cards of the demo hospital: which dishes each diet serves at each meal of a day,
// rotating through the catalogue from day to day.

#include "server/demo/demoreference.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace dieta::server::demo {

struct CardRow {
    QString dishType;
    QString dish;
    QString dishBranch; // CDFILAUXPRAT
    int order = 0;
    bool option = false;
    double quantity = 1;
    // Consumption start, interval and period in hours (formula diets only).
    std::optional<double> start, interval, period;
};

// The card of a menu style for a day, limited to the dish types of the service's standard
// configuration (formula styles use the formula type "07" always). day is any integer that
// changes by one from one day to the next; branch decides the branch-only dishes.
std::vector<CardRow> buildCard(MenuStyle style, const QStringList& serviceTypes,
                               const QStringList& excludedGroups, bool quantities, int day,
                               const QString& branch);

// The card of a service of kind "N" (the same whatever the diet).
std::vector<CardRow> buildServiceCard(const QStringList& serviceTypes, int day);

} // namespace dieta::server::demo
