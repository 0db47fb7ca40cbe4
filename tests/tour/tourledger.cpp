#include "tests/tour/tourledger.h"

#include "tests/support/sqlprobes.h"

#include <QSqlQuery>

namespace dieta::test::tour {

namespace {

// The audit rows of writes, each with its call id: logins, refusals and list reads share
// the table without one.
const char* const kWriteRows = "CDCHAMADA IS NOT NULL";

// Session bookkeeping, not the day's work.
bool isSessionTable(const QString& table) {
    return table.compare(QLatin1String("SESSAO"), Qt::CaseInsensitive) == 0 ||
           table.compare(QLatin1String("FALHALOGIN"), Qt::CaseInsensitive) == 0;
}

QStringList patientSet(const QString& codeList) {
    QStringList patients = codeList.split(u'_', Qt::SkipEmptyParts);
    patients.sort();
    return patients;
}

} // namespace

void TourLedger::open() {
    before_ = countsNow();
    deltas_.clear();
    writes_.clear();
    lastAudit_ = countOf(db_, QStringLiteral("SELECT COALESCE(MAX(NRAUDIT), 0) FROM AUDIT"));
}

void TourLedger::expectRows(const QString& table, int delta) {
    deltas_[table] += delta;
}

void TourLedger::expectWrite(const QString& method, const QStringList& patients) {
    QStringList sorted = patients;
    sorted.sort();
    sorted.removeDuplicates();
    writes_.append({method, QStringLiteral("NUTRI01"), sorted});
    expectRows(QStringLiteral("AUDIT"), 1);
}

QMap<QString, int> TourLedger::countsNow() const {
    QMap<QString, int> counts;
    // Upper case whatever the engine folds the names to, so that both name the same table.
    for (const QString& table : db_.connection().tables(QSql::Tables)) {
        // The engine's own bookkeeping (SQLite's sequence of the audit's key) is not data.
        if (table.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) ||
            isSessionTable(table))
            continue;
        const bool audit = table.compare(QLatin1String("AUDIT"), Qt::CaseInsensitive) == 0;
        counts.insert(table.toUpper(),
                      countOf(db_, QStringLiteral("SELECT COUNT(*) FROM %1%2")
                                       .arg(table, audit ? QStringLiteral(" WHERE ") +
                                                               QLatin1String(kWriteRows)
                                                         : QString())));
    }
    return counts;
}

QMap<QString, int> TourLedger::countsExpected() const {
    QMap<QString, int> expected = before_;
    for (auto it = deltas_.cbegin(); it != deltas_.cend(); ++it)
        expected[it.key()] += it.value();
    return expected;
}

QList<AuditLine> TourLedger::auditSinceOpen() const {
    QSqlQuery query(db_.connection());
    query.prepare(QStringLiteral("SELECT NMMETODO, CDOPERADOR, DSPACIENTES FROM AUDIT"
                                 " WHERE NRAUDIT > ? AND %1 ORDER BY NRAUDIT")
                      .arg(QLatin1String(kWriteRows)));
    query.addBindValue(lastAudit_);
    QList<AuditLine> lines;
    if (!query.exec())
        return lines;
    while (query.next())
        lines.append({query.value(0).toString(), query.value(1).toString(),
                      patientSet(query.value(2).toString())});
    return lines;
}

QStringList TourLedger::mismatches() const {
    QStringList lines;
    const QMap<QString, int> now = countsNow();
    const QMap<QString, int> expected = countsExpected();
    QStringList tables = now.keys() + expected.keys();
    tables.removeDuplicates();
    for (const QString& table : std::as_const(tables))
        if (now.value(table, -1) != expected.value(table, -1))
            lines << QStringLiteral("%1: %2 before, %3 now, %4 expected")
                         .arg(table)
                         .arg(before_.value(table, -1))
                         .arg(now.value(table, -1))
                         .arg(expected.value(table, -1));
    return lines;
}

QStringList TourLedger::changes() const {
    QStringList lines;
    const QMap<QString, int> now = countsNow();
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (before_.value(it.key()) != it.value())
            lines << QStringLiteral("%1 %2 -> %3")
                         .arg(it.key())
                         .arg(before_.value(it.key()))
                         .arg(it.value());
    return lines;
}

} // namespace dieta::test::tour
