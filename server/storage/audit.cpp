#include "server/storage/audit.h"

#include "platform/sqldatabase.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
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

QVariant orNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
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
                             " DSPACIENTES, DSALTERACAO, DSENDERECO, DSMOTIVO, CDSERVFILI,"
                             " DTSERVINTE, QTLINHAS, CDCHAMADA) VALUES (:WHEN, :OPERATOR, :METHOD,"
                             " :BRANCH, :PATIENTS, :CHANGES, :ADDRESS, :REASON, :SERVICE, :DAY,"
                             " :ROWS, :CALL)"));
    const QString patients = auditPatientList(entry.patients);
    const QString changes = compactJson(entry.changes);
    insert
        .bind(QStringLiteral("WHEN"),
              entry.when.isValid() ? entry.when : QDateTime::currentDateTime())
        .bind(QStringLiteral("OPERATOR"), entry.operatorCode)
        .bind(QStringLiteral("METHOD"), entry.method)
        .bind(QStringLiteral("BRANCH"), orNull(entry.branch))
        .bind(QStringLiteral("PATIENTS"), orNull(patients))
        .bind(QStringLiteral("CHANGES"), orNull(changes))
        .bind(QStringLiteral("ADDRESS"), orNull(entry.address))
        .bind(QStringLiteral("REASON"), orNull(entry.reason))
        .bind(QStringLiteral("SERVICE"), orNull(entry.service))
        .bind(QStringLiteral("DAY"), entry.date.isValid() ? QVariant(entry.date) : QVariant())
        .bind(QStringLiteral("ROWS"), entry.rows >= 0 ? QVariant(entry.rows) : QVariant())
        .bind(QStringLiteral("CALL"), orNull(entry.callId));
    insert.exec();
}

bool auditedCall(const QSqlDatabase& conn, const QString& callId) {
    SqlStatement find(conn, QStringLiteral("SELECT 1 FROM AUDIT WHERE CDCHAMADA = :CALL"));
    find.bind(QStringLiteral("CALL"), callId);
    find.exec();
    return find.query().next();
}

QString newCallId() {
    quint64 bits[2];
    QRandomGenerator::system()->fillRange(bits);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bits), sizeof bits).toHex());
}

} // namespace dieta::server
