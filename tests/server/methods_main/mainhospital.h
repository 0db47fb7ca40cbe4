#pragma once
// A small hospital for the main screen's method tests, small enough to check by hand.
// Every date is relative to `today`.
//
// Branch 0001 (nutritionist NUTRI01; OPER99 is an operator but no nutritionist); branch 0002
// has NUTRI01 too. Services of 0001: 00010 "Clínica" (kind A, group G01, dish types in the
// order 01, 03, 02), 00020 "Cirurgia" (kind D, group G01), 00070 "Lactário" (kind N, card
// under the service's own code), 00030 "Pediatria" (kind A, no standard configuration).
// Diets: 0001 Geral (card in 00010 and 00020), 0002 Branda (only its group 9001 has a card),
// 0003 Livre (kind 4, no card), 0005 Quantidade (kind 3, card). Cards exist on `today` only.
//
// Stays active today, in bed order:
//   L101 (wing A, floor 01) P001 Ana, 00010, standard 002, type 3, with a companion; diagnoses
//        D01 Diabetes (restricts sugar: "Café com leite") and D03 Doença celíaca (gluten
//        intolerance: "Pão francês"). Records today: 01 patient Geral, 02 companion Geral.
//   L102 (A, 01) P002 Bruno, 00010, standard 001, type 4, D02 Hipertensão; takes Losartana,
//        which interacts with potassium ("Feijão"). No record today.
//   L201 (B, 02) P003 Carla, 00010, standard 001, type 0, discharged today; Varfarina ended
//        yesterday. A stray companion record today although she has no companion.
//   L202 (B, 02) P005 Eva, 00020, standard 002, type 5, D02. Record today: 01 Geral.
// Not active today: P004 Davi (L301, 00010, left two days ago), P006 Fábio (L302, 00010,
// admitted tomorrow).

#include "platform/datapacket.h"
#include "platform/sqldatabase.h"
#include "tests/support/screenpackets.h"
#include "tests/support/sqlprobes.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

namespace dieta::test::mainscreen {

void seedMainHospital(SqlDatabase& db, QDate today);

// The list's filter lives in tests/support/screenpackets.h; the suites name it here too.
using test::ListFilter;

// Values of one column of a packet, row by row (null as "").
QStringList columnValues(const DataPacket& packet, const QString& field);
// "patient/status/sequence" of every row of an inpatient list.
QStringList listKeys(const DataPacket& list);

} // namespace dieta::test::mainscreen
