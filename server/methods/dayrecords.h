#pragma once
// Day records (SERVINTE) and their menu choices (CONFESCO): finding the stay, finding,
// creating, updating and deleting a record, and building its choices from a menu card.
// New sequence numbers are taken under the table's unique key and retried on a clash, since
// several server processes may share one PostgreSQL database. Everything here runs inside the
// caller's transaction and throws MethodError (operator's text) or SqlError.

#include "platform/sqldatabase.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <optional>

namespace dieta::server {

inline constexpr int kSequenceWidth = 2;       // NRSEQUSERV "01"
inline constexpr int kChoiceSequenceWidth = 4; // CDSEQUCOPR "0001"

QString formatSequence(int number, int width);

struct Stay {
    QString branch;
    QString patient;
    QDate admission;
    QDate discharge; // invalid while staying
    QString service;
    QString bed;
    bool companion = false;
};

// The stay of the patient active on the date (admitted on or before it, not discharged before
// it). With `lock` on PostgreSQL the stay's row stays locked to the end of the transaction, so
// that two servers creating the patient's record of the day take turns (SQLite's writing
// transaction already holds the whole database).
std::optional<Stay> activeStay(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                               const QString& patient, QDate date, bool lock = false);

struct DayRecordKey {
    QString branch;
    QString patient;
    QDate date;
    QString sequence; // "" before the record exists

    bool operator==(const DayRecordKey&) const = default;
};

struct DayRecord {
    DayRecordKey key;
    QString status = QStringLiteral("0"); // STPACIACOM: "0" patient, "1" companion
    QString service;
    QString diet; // "" = none
    QString remark;
    QString prescription;
    QString printMark = QStringLiteral("N");
};

inline bool isPatientStatus(const QString& status) {
    return status == u"0";
}

std::optional<DayRecord> findDayRecord(const QSqlDatabase& conn, const DayRecordKey& key);
// The same, and on PostgreSQL the record's row stays locked to the end of the transaction: a
// read-then-write of a record or of its choices takes it first, so that two writers of one
// record take turns and the second reads what the first wrote (SQLite's writing transaction
// already holds the whole database).
std::optional<DayRecord> lockDayRecord(const QSqlDatabase& conn, SqlEngine engine,
                                       const DayRecordKey& key);
// The patient's (status "0") or companion's (any other status) record of the day with the
// lowest sequence.
std::optional<DayRecord> firstDayRecord(const QSqlDatabase& conn, const QString& branch,
                                        const QString& patient, QDate date, const QString& status);
// Every record of the patient on the day, in sequence order.
QList<DayRecord> dayRecords(const QSqlDatabase& conn, const QString& branch, const QString& patient,
                            QDate date);

// Stores a new record under the next free sequence and returns it with that sequence.
DayRecord insertDayRecord(const QSqlDatabase& conn, DayRecord record, const QString& operatorCode);
// MethodError when the record is no longer there (deleted by someone else meanwhile).
void updateDayRecord(const QSqlDatabase& conn, const DayRecord& record,
                     const QString& operatorCode);
// Deletes the record and its choices; false when there was no such record.
bool deleteDayRecord(const QSqlDatabase& conn, const DayRecordKey& key);

// MethodError unless the diet is allowed in the branch's service (DIETSERV).
void checkDietOfService(const QSqlDatabase& conn, const QString& branch, const QString& service,
                        const QString& diet);
// "A", "D" or "N"; "" when the service does not exist.
QString serviceKind(const QSqlDatabase& conn, const QString& branch, const QString& service);

// ---- Menu cards and choices ----

struct CardDish {
    QString dishBranch;                     // CDFILAUXPRAT
    QString dish;                           // CDPRATO
    QString dishType;                       // CDTIPOPRAT
    int order = 0;                          // NRORDPRATCAR
    QString option;                         // IDOPCCNFMES
    QVariant quantity;                      // QTPRATCARD
    QVariant consumption, interval, period; // hours (formula diets)
};

// The card kept under exactly this code (a diet, a diet group or the service's own code
// kServiceCardDiet) for the day, in dish-type order, then dish order.
QList<CardDish> menuCard(const QSqlDatabase& conn, const QString& branch, const QString& service,
                         const QString& cardCode, QDate date);
// The card a record of the diet takes: the service's own card for a service of kind "N",
// else the diet's card, else its group's card; empty when there is none.
QList<CardDish> cardForDiet(const QSqlDatabase& conn, const QString& branch, const QString& service,
                            const QString& diet, QDate date);

struct Choice {
    QString dishType;
    QString dishBranch;
    QString dish;
    QString chosen = QStringLiteral("N"); // IDESCOCONF
    QString option = QStringLiteral("N"); // IDOPCAOCONF
    QVariant remark;                      // DSOBSCONF
    QVariant quantity;                    // QTPRATCONF
    QVariant consumption, interval, period;
    QVariant consumptionDate; // DTCONSCONF (QDateTime)
    QString restriction = QStringLiteral("0");
};

// A choice as the card offers it: the dishes that are not options come chosen.
Choice choiceFromCard(const CardDish& dish, QDate date);

// Appends the choices to the record under the next free CDSEQUCOPR numbers.
void insertChoices(const QSqlDatabase& conn, const DayRecordKey& key, const QList<Choice>& choices);
void deleteChoices(const QSqlDatabase& conn, const DayRecordKey& key);
// Replaces the record's choices with the card of its diet; returns how many it got.
int rebuildChoicesFromCard(const QSqlDatabase& conn, const DayRecord& record);

} // namespace dieta::server
