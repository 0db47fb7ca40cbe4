#pragma once
// The audit trail: every write of the server leaves one AUDIT row, written inside the
// caller's transaction so that it lands or disappears together with the change it records.
// Logins, refusals and list reads go through the AuditQueue (auditqueue.h) instead.

#include <QDate>
#include <QDateTime>
#include <QJsonValue>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace dieta::server {

struct AuditEntry {
    QString operatorCode; // the operator of the call (argument or request header)
    QString method;       // remote method name, "SetUpdServinte"
    QString branch;       // CDFILIAL, empty when the call has none
    QStringList patients; // patient codes touched; stored once each as a code list "_P1_P2_"
    QJsonValue changes;   // what changed, stored as compact JSON text
    QString address;      // the client's address
    QString reason;       // why the call was refused; empty for a success
    QString service;      // a list read's service (or group)
    QDate date;           // a list read's date
    int rows = -1;        // a list read's rows; -1: none
    QDateTime when;       // invalid: the time of writing
    QString callId;       // a write's own random id: how a commit in doubt is settled
};

// Inserts the entry at entry.when (the current local time when invalid). Throws SqlError when the
// row cannot be written (the caller's transaction must then roll back).
void recordAudit(QSqlDatabase& conn, const AuditEntry& entry);

// Whether the write whose audit row carries `callId` is in the database (it committed).
// Throws SqlError when the database cannot be asked.
bool auditedCall(const QSqlDatabase& conn, const QString& callId);

// A fresh random id for a write's audit row (32 hex digits).
QString newCallId();

// "_P1_P2_": each distinct code once, in first-seen order; empty codes are left out.
QString auditPatientList(const QStringList& patients);

} // namespace dieta::server
