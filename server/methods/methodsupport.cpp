#include "server/methods/methodsupport.h"

#include "platform/packetwriter.h"
#include "platform/wiredate.h"
#include "platform/wirevalue.h"
#include "server/storage/audit.h"
#include "server/storage/auditqueue.h"
#include "server/storage/authorization.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlRecord>
#include <QThread>

namespace dieta::server {

namespace {

const QString databaseFailureText =
    QStringLiteral("Não foi possível concluir a operação no banco de dados. Tente novamente.");

void logDatabaseFailure(const CallContext& context, const std::exception& error) {
    qWarning().noquote() << "method" << context.method << "failed:" << error.what();
}

// How long a call waits for a database that failed after its write committed (or during the
// COMMIT): long enough for a restart, short enough for the operator.
constexpr int kPatienceMs = 8000;
constexpr int kRetryPauseMs = 200;

enum class CommitOutcome { Committed, RolledBack, Unknown };

// Asks the database, on a fresh connection, whether the write with this audit id landed.
CommitOutcome settleCommit(CallContext& context, const QString& callId) {
    const QDeadlineTimer patience(kPatienceMs);
    for (;;) {
        try {
            return auditedCall(context.db->connection(), callId) ? CommitOutcome::Committed
                                                                 : CommitOutcome::RolledBack;
        } catch (const SqlError& error) {
            if (patience.hasExpired()) {
                logDatabaseFailure(context, error);
                return CommitOutcome::Unknown;
            }
            QThread::msleep(kRetryPauseMs);
        }
    }
}

} // namespace

// ---- Values ----

QDate dateValue(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate();
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().date();
    return QDate();
}

QString checkedCode(const QString& code, int width, const QString& what) {
    if (code.size() > width)
        throw MethodError(QStringLiteral("%1: \"%2\" tem mais de %3 caracteres.")
                              .arg(what, code.left(40))
                              .arg(width));
    return code;
}

QString cellText(const DataPacket& packet, int row, QStringView field) {
    const QVariant value = packet.value(row, field);
    return value.isNull() ? QString() : value.toString();
}

QDate cellDate(const DataPacket& packet, int row, QStringView field) {
    return dateValue(packet.value(row, field));
}

QString rowLock(SqlEngine engine) {
    return engine == SqlEngine::PostgreSQL ? QStringLiteral(" FOR UPDATE") : QString();
}

// ---- Code lists ----

CodeList parseCodeList(const QString& text, const QString& what, int width) {
    CodeList list;
    if (text.isEmpty() || text == u"T")
        return list;
    list.all = false;
    if (text.size() < 3 || !text.startsWith(u'_') || !text.endsWith(u'_'))
        throw MethodError(QStringLiteral("%1: lista inválida.").arg(what));
    QSet<QStringView> seen;
    const QStringView body = QStringView(text).mid(1, text.size() - 2);
    for (const QStringView code : body.tokenize(u'_')) {
        if (code.isEmpty())
            throw MethodError(QStringLiteral("%1: lista inválida.").arg(what));
        if (width > 0 && code.size() > width)
            checkedCode(code.toString(), width, what);
        if (seen.contains(code))
            continue;
        if (seen.size() == kMaxListCodes)
            throw MethodError(
                QStringLiteral("%1: a lista tem mais de %2 códigos.").arg(what).arg(kMaxListCodes));
        seen.insert(code);
        list.codes.append(code.toString());
    }
    return list;
}

QString inCondition(const QString& column, const QStringList& codes, const QString& prefix,
                    QVariantMap& values) {
    if (codes.isEmpty())
        return QStringLiteral(" AND 1 = 0");
    QStringList names;
    names.reserve(codes.size());
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const QString name = prefix + QString::number(i);
        names.append(u':' + name);
        values.insert(name, codes[i]);
    }
    return QStringLiteral(" AND %1 IN (%2)").arg(column, names.join(u", "));
}

QString inCondition(const QString& column, const QStringList& codes, const QString& prefix,
                    QVariantMap& values, SqlEngine engine) {
    constexpr qsizetype shortList = 32;
    if (codes.size() <= shortList)
        return inCondition(column, codes, prefix, values);
    values.insert(
        prefix,
        QString::fromUtf8(
            QJsonDocument(QJsonArray::fromStringList(codes)).toJson(QJsonDocument::Compact)));
    const QString unpacked =
        engine == SqlEngine::SQLite
            ? QStringLiteral("SELECT value FROM json_each(:%1)").arg(prefix)
            : QStringLiteral("SELECT jsonb_array_elements_text(CAST(:%1 AS jsonb))").arg(prefix);
    return QStringLiteral(" AND %1 IN (%2)").arg(column, unpacked);
}

// ---- Service or group ----

QStringList servicesOf(const QSqlDatabase& conn, const QString& branch, const QString& code) {
    // Run on every list read: both statements stay prepared on the connection.
    const QVariantMap keys{{QStringLiteral("BRANCH"), branch}, {QStringLiteral("CODE"), code}};
    SqlStatement service(conn,
                         QStringLiteral("SELECT CDSERVFILI FROM SERVICO"
                                        " WHERE CDFILIAL = :BRANCH AND CDSERVFILI = :CODE"),
                         keys);
    if (service.next())
        return {service.value(0).toString()};
    SqlStatement group(conn,
                       QStringLiteral("SELECT CDSERVFILI FROM SERVICO"
                                      " WHERE CDFILIAL = :BRANCH AND CDGRUPSERV = :CODE"
                                      " ORDER BY CDSERVFILI"),
                       keys);
    QStringList services;
    while (group.next())
        services.append(group.value(0).toString());
    return services;
}

// ---- Packets from queries ----

FieldDef textField(const QString& name, int size, bool hidden) {
    FieldDef field{name, FieldKind::String, size};
    field.hidden = hidden;
    return field;
}

FieldDef dateTimeField(const QString& name, bool hidden) {
    FieldDef field{name, FieldKind::DateTime, 0};
    field.hidden = hidden;
    return field;
}

FieldDef dateField(const QString& name, bool hidden) {
    FieldDef field{name, FieldKind::Date, 0};
    field.hidden = hidden;
    return field;
}

FieldDef floatField(const QString& name, bool hidden) {
    FieldDef field{name, FieldKind::Float, 0};
    field.hidden = hidden;
    return field;
}

QVariant cellFromSql(const QVariant& value, FieldKind kind) {
    if (value.isNull())
        return QVariant();
    switch (kind) {
    case FieldKind::String:
        return value.toString();
    case FieldKind::Date:
        if (value.metaType().id() == QMetaType::QDate)
            return value;
        if (value.metaType().id() == QMetaType::QDateTime)
            return value.toDateTime().date();
        return parseIsoDate(QStringView(value.toString()).left(10));
    case FieldKind::DateTime: {
        if (value.metaType().id() == QMetaType::QDateTime)
            return value;
        if (value.metaType().id() == QMetaType::QDate)
            return QDateTime(value.toDate(), QTime(0, 0));
        // SQLite keeps "yyyy-MM-dd" or "yyyy-MM-ddTHH:mm:ss[.zzz]": the packet carries seconds.
        const QString text = value.toString();
        const QDateTime parsed = parseIsoDateTime(QStringView(text).left(19));
        return parsed.isValid() ? QVariant(parsed) : QVariant();
    }
    case FieldKind::Float:
        return value.toDouble();
    case FieldKind::Integer:
        return value.toLongLong();
    case FieldKind::Boolean:
        return value.toBool();
    }
    return value;
}

namespace {

// Column i of the query's current row as the packet's cell of the field.
QVariant packetCell(const QSqlQuery& query, int column, const FieldDef& field) {
    QVariant cell = cellFromSql(query.value(column), field.kind);
    // A longer stored name would make the client refuse the whole packet.
    if (field.kind == FieldKind::String && field.size > 0 && !cell.isNull() &&
        cell.toString().size() > field.size)
        cell = cell.toString().left(field.size);
    return cell;
}

} // namespace

DataPacket packetFromQuery(QSqlQuery& query, QList<FieldDef> fields) {
    DataPacket packet;
    packet.fields = std::move(fields);
    const qsizetype columns = packet.fields.size();
    while (query.next()) {
        Row row;
        row.reserve(columns);
        for (qsizetype i = 0; i < columns; ++i)
            row.append(packetCell(query, int(i), packet.fields[i]));
        packet.rows.append(std::move(row));
    }
    return packet;
}

QueryPacketWriter::QueryPacketWriter(QList<FieldDef> fields) : fields_(std::move(fields)) {
    DataPacket empty;
    empty.fields = fields_;
    head_ = empty.toJsonBytes();
    head_.chop(2); // "]}": the rows follow
}

EncodedPacket QueryPacketWriter::write(QSqlQuery& query) const {
    EncodedPacket packet;
    packet.json.reserve(head_.size() + 512);
    packet.json.append(head_);
    packet.rows = 0;
    const qsizetype columns = fields_.size();
    while (query.next()) {
        packet.json.append(packet.rows++ > 0 ? ",[" : "[");
        for (qsizetype i = 0; i < columns; ++i) {
            if (i > 0)
                packet.json.append(',');
            detail::appendCell(packet.json, packetCell(query, int(i), fields_[i]), fields_[i].kind);
        }
        packet.json.append(']');
    }
    packet.json.append("]}", 2);
    return packet;
}

// ---- Call frames ----

CallResult runRead(CallContext& context, const std::function<CallResult(QSqlDatabase&)>& body) {
    try {
        QSqlDatabase conn = context.db->connection();
        return body(conn);
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    } catch (const std::logic_error&) {
        throw;
    } catch (const std::exception& error) {
        logDatabaseFailure(context, error);
        return CallResult::fail(databaseFailureText);
    }
}

CallResult readAfterCommit(CallContext& context,
                           const std::function<CallResult(QSqlDatabase&)>& body) {
    const QDeadlineTimer patience(kPatienceMs);
    for (;;) {
        try {
            QSqlDatabase conn = context.db->connection();
            return body(conn);
        } catch (const MethodError& error) {
            return CallResult::fail(QString::fromUtf16(kWriteDoneText) +
                                    QStringLiteral(" a resposta não pôde ser montada: ") +
                                    error.text());
        } catch (const std::logic_error&) {
            throw;
        } catch (const std::exception& error) {
            logDatabaseFailure(context, error);
            if (patience.hasExpired())
                return CallResult::fail(QString::fromUtf16(kWriteDoneText) +
                                        QStringLiteral(" a lista não pôde ser lida. Atualize a "
                                                       "tela antes de repetir a operação."));
            QThread::msleep(kRetryPauseMs);
        }
    }
}

namespace {

// The refused write rolls back; its audit row goes through the queue, outside the transaction.
void reportAuthorizationRefusal(const CallContext& context, const QString& operatorCode,
                                const QString& branch, const QString& refusal) {
    AuditEntry entry;
    entry.operatorCode = operatorCode;
    entry.address = context.clientAddress;
    entry.method = context.method;
    entry.branch = branch;
    entry.reason = refusal;
    reportSecurityEvent(context.audit, std::move(entry));
}

// Runs the body inside one transaction; `succeeded` tells whether its answer means success.
template <typename Answer>
Answer runInTransaction(CallContext& context, const QString& operatorCode,
                        const QStringList& branches, const std::function<Answer(WriteScope&)>& body,
                        const std::function<bool(const Answer&)>& succeeded,
                        const std::function<Answer(const QString&)>& failure) {
    const QString callId = newCallId();
    std::optional<Answer> pending; // the answer of a body whose commit is in doubt
    try {
        WriteTransaction transaction(*context.db);
        WriteScope scope{transaction.connection(), context.db->engine(), operatorCode, {}};
        for (const QString& branch : branches)
            if (const QString refusal = nutritionistRefusal(scope.conn, operatorCode, branch);
                !refusal.isEmpty()) {
                reportAuthorizationRefusal(context, operatorCode, branch, refusal);
                return failure(refusal);
            }
        Answer answer = body(scope);
        if (!succeeded(answer))
            return answer;
        AuditEntry entry;
        entry.operatorCode = operatorCode;
        entry.method = context.method;
        entry.branch = branches.value(0);
        entry.patients = scope.audit.patients;
        entry.changes = scope.audit.changes;
        entry.callId = callId;
        recordAudit(scope.conn, entry);
        pending.emplace(std::move(answer));
        transaction.commit();
        return std::move(*pending);
    } catch (const CommitInDoubt& error) {
        logDatabaseFailure(context, error);
        switch (settleCommit(context, callId)) {
        case CommitOutcome::Committed:
            return *pending;
        case CommitOutcome::RolledBack:
            return failure(databaseFailureText);
        case CommitOutcome::Unknown:
            break;
        }
        return failure(QString::fromUtf16(kWriteInDoubtText));
    } catch (const MethodError& error) {
        return failure(error.text());
    } catch (const std::logic_error&) {
        throw;
    } catch (const std::exception& error) {
        logDatabaseFailure(context, error);
        return failure(databaseFailureText);
    }
}

} // namespace

CallResult runWrite(CallContext& context, const QString& operatorCode, const QStringList& branches,
                    const std::function<CallResult(WriteScope&)>& body) {
    return runInTransaction<CallResult>(
        context, operatorCode, branches, body,
        [](const CallResult& result) { return !result.failed(); },
        [](const QString& text) { return CallResult::fail(text); });
}

CallResult runWriteAnsweringText(CallContext& context, const QString& operatorCode,
                                 const QStringList& branches,
                                 const std::function<QString(WriteScope&)>& body) {
    const QString text = runInTransaction<QString>(
        context, operatorCode, branches, body,
        [](const QString& answer) { return answer.isEmpty(); },
        [](const QString& failureText) { return failureText; });
    return CallResult::ok(text.isNull() ? QStringLiteral("") : text);
}

} // namespace dieta::server
