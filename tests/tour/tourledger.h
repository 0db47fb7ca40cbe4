#pragma once
// The tour's account of the database: the rows of every table counted when the tour starts,
// the change each step says it made (rows added or removed per table, each write with its
// patients), and what the database holds at the end against that account, the audit trail
// included.

#include "platform/sqldatabase.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace dieta::test::tour {

// One row of the audit trail as the tour reads it: the patients sorted, as a set.
struct AuditLine {
    QString method;
    QString operatorCode;
    QStringList patients;
    bool operator==(const AuditLine&) const = default;
    // "SetConfDieta NUTRI01 100004,100006", for the failure message.
    QString text() const {
        return QStringLiteral("%1 %2 %3").arg(method, operatorCode, patients.join(u','));
    }
};

class TourLedger {
public:
    explicit TourLedger(SqlDatabase& db) : db_(db) {}

    // Counts every table and notes where the audit trail stands.
    void open();

    // A step added (positive) or removed (negative) rows of a table.
    void expectRows(const QString& table, int delta);
    // A step made a write of the server for these patients; the audit trail gains one row.
    void expectWrite(const QString& method, const QStringList& patients);

    QMap<QString, int> countsBefore() const { return before_; }
    QMap<QString, int> countsNow() const;
    // countsBefore() with every change the steps declared.
    QMap<QString, int> countsExpected() const;

    QList<AuditLine> auditSinceOpen() const;
    QList<AuditLine> auditExpected() const { return writes_; }

    // "TABLE: before, now, expected" for every table whose count is not the expected one.
    QStringList mismatches() const;
    // "TABLE before -> after" for every table whose count changed, for the report.
    QStringList changes() const;

private:
    SqlDatabase& db_;
    QMap<QString, int> before_;
    QMap<QString, int> deltas_;
    QList<AuditLine> writes_;
    int lastAudit_ = 0;
};

} // namespace dieta::test::tour
