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

#include "platform/datapacket.h"
#include "platform/sqldatabase.h"

#include <QDate>
#include <QString>
#include <QVariantMap>

namespace dieta::test {

void seedDialogHospital(SqlDatabase& db, QDate today);

// Runs a statement on the server's database (test set-up and checks).
void execOn(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});
// The first column of every row, as text.
QStringList columnOf(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});
int countOf(SqlDatabase& db, const QString& sql, const QVariantMap& values = {});

// A day record with its choices, as the screen would have saved it. `dishes`: one entry per
// choice, "type|dishBranch|dish|chosen|quantity".
void addDayRecord(SqlDatabase& db, const QString& patient, QDate day, const QString& sequence,
                  const QString& status, const QString& service, const QString& diet,
                  const QStringList& dishes);

// The screen's cdsParams with every list "T".
DataPacket listParams(const QString& branch, const QString& service, QDate day);
// The screen's cdsInterAux with one row per patient code (status and sequence as given).
DataPacket markedRows(const QList<QStringList>& rows, QDate day); // {patient, status, sequence}
// The dialog's cdsConfescoDieta: "type|dishBranch|dish|chosen|quantity" per row.
DataPacket menuRows(const QStringList& dishes);

int auditCount(SqlDatabase& db, const QString& method);

} // namespace dieta::test
