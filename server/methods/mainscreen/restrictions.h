#pragma once
// A patient's food restrictions and intolerances (the diagnoses of the stay restrict product
// groups) and medicine interactions (an active ingredient of a medicine given on the day
// interacts with a nutrient), crossed with the dishes of the day's menu choices.

#include "platform/datapacket.h"
#include "server/methods/dayrecords.h"

#include <QSqlDatabase>

namespace dieta::server {

// Sets IDRESTCONF on the choices of the stay's records of the day: "1" where the dish contains
// a restricted product group or a nutrient that a medicine of the day interacts with, "0"
// elsewhere. Companions' choices are never restricted. Returns how many choices were marked.
int markRestrictions(const QSqlDatabase& conn, const Stay& stay, QDate date);

// The restrictions and intolerances of the stay (IDRESTINTO, NMSUBGRPROD, NMDIAGNOST); with a
// dish, only those of the product groups the dish contains.
DataPacket restrictionsPacket(const QSqlDatabase& conn, const Stay& stay, const QString& dishBranch,
                              const QString& dish);

// The medicines of the day, their active ingredients and the nutrients these interact with
// (NMMEDICAMENT, NMPRINATIV, NMNUTRIENTE); with a dish, only nutrients the dish contains.
DataPacket interactionsPacket(const QSqlDatabase& conn, const Stay& stay, QDate date,
                              const QString& dishBranch, const QString& dish);

} // namespace dieta::server
