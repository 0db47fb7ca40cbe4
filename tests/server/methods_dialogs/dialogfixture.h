#pragma once
// A small hospital for the dialogs' method tests, small enough to check by hand:
//
// Branch 0001 (nutritionist NUTRI01; OPER99 is an operator but no nutritionist), services
// 00010 "Clínica" (kind A, group G01), 00020 "Cirurgia" (kind D, group G01), 00070 "Lactário"
// (kind N). Diets: 0001 Geral (own card), 0002 Branda (only its group 9001 has a card),
// 0003 Livre (kind 4, no card), 0004 Especial (special), 0005 Quantidade (kind 3, no card),
// 0006 Sem Cardápio (no card, no group). Cards exist on `today` only.
//
// Stays: P001 Ana in bed L101 (wing A, floor 01) with a companion, P002 Bruno in L102 (A, 01),
// P003 Carla in L201 (B, 02), P005 Eva in service 00020 bed L202; P004 Davi left two days ago.
// Prescriptions for today: P002 diet 0001 "Sem sal", P003 diet 0006 "Jejum".

#include "platform/sqldatabase.h"
#include "tests/support/screenpackets.h"
#include "tests/support/sqlprobes.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

namespace dieta::test {

void seedDialogHospital(SqlDatabase& db, QDate today);

// A day record with its choices, as the screen would have saved it. `dishes`: one entry per
// choice, "type|dishBranch|dish|chosen|quantity".
void addDayRecord(SqlDatabase& db, const QString& patient, QDate day, const QString& sequence,
                  const QString& status, const QString& service, const QString& diet,
                  const QStringList& dishes);

// P002's chosen day, whose nutrients the calculation sums: record 01 (diet 0001) with rice
// twice (2 g protein, 20 g carbohydrate per portion), chicken with quantity 0 (one portion:
// 16 g protein, 10 g lipid) and milk not chosen; record 02 (diet 0002) with beans once (10 g
// carbohydrate, 20 g lipid). Protein 20 g, carbohydrate 50 g, lipid 30 g.
void addChosenDayOfP002(SqlDatabase& db, QDate today);

int auditCount(SqlDatabase& db, const QString& method);

} // namespace dieta::test
