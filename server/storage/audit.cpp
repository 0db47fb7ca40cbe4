#include "server/storage/audit.h"

#include "platform/sqldatabase.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace dieta::server {

namespace {

QString compactJson(const QJsonValue& value) {
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    if (value.isUndefined() || value.isNull())
        return {};
    // A scalar: wrap it so that the stored text is still one JSON document.
    const QJsonArray wrapped{value};
    const QString text = QString::fromUtf8(QJsonDocument(wrapped).toJson(QJsonDocument::Compact));
    return text.mid(1, text.size() - 2);
}

} // namespace

QString auditPatientList(const QStringList& patients) {
    QSet<QString> seen;
    QString list;
    for (const QString& code : patients) {
        const QString trimmed = code.trimmed();
        if (trimmed.isEmpty() || seen.contains(trimmed))
            continue;
        seen.insert(trimmed);
        list += u'_' + trimmed;
    }
    return list.isEmpty() ? QString() : list + u'_';
}

void recordAudit(QSqlDatabase& conn, const AuditEntry& entry) {
    SqlStatement insert(
        conn, QStringLiteral("INSERT INTO AUDIT (DTAUDIT, CDOPERADOR, NMMETODO, CDFILIAL,"
                             " DSPACIENTES, DSALTERACAO) VALUES (:WHEN, :OPERATOR, :METHOD,"
                             " :BRANCH, :PATIENTS, :CHANGES)"));
    const QString patients = auditPatientList(entry.patients);
    const QString changes = compactJson(entry.changes);
    insert.bind(QStringLiteral("WHEN"), QDateTime::currentDateTime())
        .bind(QStringLiteral("OPERATOR"), entry.operatorCode)
        .bind(QStringLiteral("METHOD"), entry.method)
        .bind(QStringLiteral("BRANCH"),
              entry.branch.isEmpty() ? QVariant() : QVariant(entry.branch))
        .bind(QStringLiteral("PATIENTS"), patients.isEmpty() ? QVariant() : QVariant(patients))
        .bind(QStringLiteral("CHANGES"), changes.isEmpty() ? QVariant() : QVariant(changes));
    insert.exec();
}

} // namespace dieta::server
