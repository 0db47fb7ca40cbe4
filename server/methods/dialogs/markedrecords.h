#pragma once
// The day records of many marked inpatients written set-based: a handful of statements for the
// whole set of patients (their stays, their records, the update, the new records, the choices),
// each a fixed text with the patients bound as one JSON list, instead of several statements
// (and round trips) per patient. Everything runs inside the caller's transaction and throws
// MethodError (operator's text) or SqlError.

#include "server/methods/dayrecords.h"
#include "server/methods/jsonlists.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

namespace dieta::server {

// A marked row of the inpatient list: who, and which of the day's records it showed.
struct MarkedPatient {
    QString patient;
    QString status;   // STPACIACOM of the row
    QString sequence; // NRSEQUSERV of the row, "" when the stay had no record yet
    QDate day;        // DTSERVINTE of the row
};

// What every statement of one write shares: where, which day, for whom.
struct MarkedDay {
    QSqlDatabase conn;
    SqlEngine engine = SqlEngine::SQLite;
    QString branch;
    QDate day;
    QString status; // "0" patient, "1" companion
};

// Every patient's stay active on the day, locked on PostgreSQL so that two servers writing the
// patient's records take turns. Throws the refusal of the first patient, in marked order, who
// has no stay or (for a companion's record) no companion.
void requireStays(const MarkedDay& day, const QList<MarkedPatient>& patients);

// The record of the day each patient's diet goes to: the one its row showed when the row is
// of the same person (patient or companion) and day, else that person's first record of the
// day, else a new one under the next free sequence. The records read are locked on PostgreSQL.
struct TargetRecord {
    QString patient;
    QString sequence;
    bool fresh = false; // no such record yet
};
QList<TargetRecord> targetRecords(const MarkedDay& day, const QList<MarkedPatient>& patients);

// `count` new records of the patient, numbered after the last of the day (its records locked
// on PostgreSQL). MethodError when they would pass the day's 99.
QList<TargetRecord> nextRecords(const MarkedDay& day, const QString& patient, int count);

// The values a diet write sets on every record.
struct RecordValues {
    QString service;
    QString diet;
    QString operatorCode;
    bool keepRemark = false; // else the remark and the print mark are cleared
};
// Updates the existing targets; MethodError names a patient whose record is gone.
void updateRecords(const MarkedDay& day, const QList<TargetRecord>& targets,
                   const RecordValues& values);
// Stores the fresh targets; one whose sequence another server took meanwhile gets the next
// free one (its `sequence` changes).
void insertRecords(const MarkedDay& day, QList<TargetRecord>& targets, const RecordValues& values);

// The remark and times (DSOBSCONF, HRCONSCONF, HRINTECONF, HRPERICONF) of each dish the
// records hold, by record (patient, sequence) and dish ("type|branch|dish").
using DishSettings = QHash<QString, QVariantList>;
QHash<KeyPair, DishSettings> dishSettings(const MarkedDay& day, const QList<KeyPair>& records);
QString dishIdentity(const QString& type, const QString& branch, const QString& dish);

void deleteChoicesOf(const MarkedDay& day, const QList<KeyPair>& records);
// Gives every record of `records` (which have no choices) the menu, numbered "0001"... in order.
// PostgreSQL: one INSERT ... SELECT of the menu, sent as JSON, for all the records; SQLite: the
// menu written to the first record and copied to the others. MethodError for a menu of more
// than 9,999 dishes.
void insertMenus(const MarkedDay& day, const QList<KeyPair>& records, const QList<Choice>& menu);
// Copies the choices of the record `source` to every record of `records` (which have none).
void copyChoices(const MarkedDay& day, const KeyPair& source, const QList<KeyPair>& records);

} // namespace dieta::server
