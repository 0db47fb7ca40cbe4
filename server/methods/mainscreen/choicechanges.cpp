// SetUpdConfesco: the change log of a record's menu choices, applied all or nothing. A row that
// someone else changed or deleted since it was read is reported and nothing is written: the
// stored values must still equal the values the change log says were read.

#include "platform/wiredate.h"
#include "server/methods/dayrecords.h"
#include "server/methods/domain.h"
#include "server/methods/mainscreen/handlers.h"
#include "server/methods/methodsupport.h"

#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace dieta::server {

namespace {

struct Column {
    const char* name;
    FieldKind kind;
    int size;      // strings
    bool compared; // part of "changed by someone else"
};

// The columns a change may write. IDRESTCONF is the restriction check's own mark: a check run
// meanwhile is no conflict.
const Column writable[] = {
    {"CDTIPOPRAT", FieldKind::String, 2, true},   {"CDPRATO", FieldKind::String, 10, true},
    {"CDFILAUXPRAT", FieldKind::String, 4, true}, {"IDESCOCONF", FieldKind::String, 1, true},
    {"IDOPCAOCONF", FieldKind::String, 1, true},  {"DSOBSCONF", FieldKind::String, 255, true},
    {"QTPRATCONF", FieldKind::Float, 0, true},    {"HRCONSCONF", FieldKind::Float, 0, true},
    {"HRINTECONF", FieldKind::Float, 0, true},    {"HRPERICONF", FieldKind::Float, 0, true},
    {"DTCONSCONF", FieldKind::DateTime, 0, true}, {"IDRESTCONF", FieldKind::String, 1, false},
};

const char* const keyFields[] = {"CDFILIAL", "CDPACIENTE", "DTSERVINTE", "NRSEQUSERV"};

QString name(const Column& column) {
    return QString::fromLatin1(column.name);
}

struct ChoiceKey {
    DayRecordKey record;
    QString choice; // CDSEQUCOPR
};

ChoiceKey keyOf(const DataPacket& delta, const Row& row) {
    if (row.size() != delta.fields.size())
        throw MethodError(QStringLiteral("Pacote de alterações inválido."));
    const auto text = [&](const char* field) {
        const int column = delta.fieldIndex(QString::fromLatin1(field));
        return column < 0 || row[column].isNull() ? QString() : row[column].toString();
    };
    const int dateColumn = delta.fieldIndex(u"DTSERVINTE");
    ChoiceKey key;
    key.record.branch = checkedCode(text("CDFILIAL"), 4, QStringLiteral("Filial"));
    key.record.patient = checkedCode(text("CDPACIENTE"), 12, QStringLiteral("Paciente"));
    key.record.date = checkedDate(dateColumn < 0 ? QDate() : dateValue(row[dateColumn]),
                                  QStringLiteral("Data do serviço"));
    key.record.sequence = checkedCode(text("NRSEQUSERV"), 2, QStringLiteral("Sequência"));
    key.choice = checkedCode(text("CDSEQUCOPR"), 4, QStringLiteral("Sequência do prato"));
    if (key.record.branch.isEmpty() || key.record.patient.isEmpty() || !key.record.date.isValid() ||
        key.record.sequence.isEmpty())
        throw MethodError(
            QStringLiteral("Prato escolhido sem registro de dieta: atualize a lista."));
    return key;
}

QVariantMap keyValues(const ChoiceKey& key) {
    return {{QStringLiteral("BRANCH"), key.record.branch},
            {QStringLiteral("PATIENT"), key.record.patient},
            {QStringLiteral("DAY"), key.record.date},
            {QStringLiteral("SEQ"), key.record.sequence},
            {QStringLiteral("CHOICE"), key.choice}};
}

// A cell of the change log checked and brought to the column's memory form.
QVariant cellValue(const Column& column, const QVariant& value) {
    if (value.isNull())
        return QVariant();
    if (column.kind == FieldKind::String) {
        const QString text = value.toString();
        checkedCode(text, column.size, name(column));
        return text;
    }
    if (column.kind == FieldKind::Float)
        return checkedAmount(value, name(column));
    return cellFromSql(value, column.kind);
}

bool sameValue(const Column& column, const QVariant& a, const QVariant& b) {
    if (column.kind == FieldKind::String)
        return a.toString() == b.toString(); // null and "" alike
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (column.kind == FieldKind::Float)
        return std::fabs(a.toDouble() - b.toDouble()) <=
               1e-9 * std::max(1.0, std::fabs(a.toDouble()));
    return a.toDateTime().toSecsSinceEpoch() == b.toDateTime().toSecsSinceEpoch();
}

struct ChangeContext {
    WriteScope& scope;
    const DataPacket& delta;
    QStringList conflicts;
    QJsonArray log;
};

// The stored values of the writable columns, the row locked to the end of the transaction;
// nullopt when the row is gone.
std::optional<QVariantList> storedValues(const WriteScope& scope, const ChoiceKey& key) {
    QStringList columns;
    for (const Column& column : writable)
        columns.append(name(column));
    SqlStatement query(scope.conn,
                       QStringLiteral("SELECT %1 FROM CONFESCO WHERE CDFILIAL = :BRANCH AND"
                                      " CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY AND"
                                      " NRSEQUSERV = :SEQ AND CDSEQUCOPR = :CHOICE%2")
                           .arg(columns.join(u", "), rowLock(scope.engine)),
                       keyValues(key));
    if (!query.next())
        return std::nullopt;
    QVariantList values;
    for (int i = 0; i < int(std::size(writable)); ++i)
        values.append(cellFromSql(query.value(i), writable[i].kind));
    return values;
}

QString dishLabel(const ChangeContext& context, const Row& row, const ChoiceKey& key) {
    const int column = context.delta.fieldIndex(u"NMPRATO");
    const QString dish = column >= 0 ? row[column].toString() : QString();
    return QStringLiteral("O prato %1 do paciente %2")
        .arg(dish.isEmpty() ? key.choice : u'"' + dish.trimmed() + u'"', key.record.patient);
}

// False (and a conflict noted) when the row changed since the change log read it.
bool unchangedSinceRead(ChangeContext& context, const Row& original, const ChoiceKey& key) {
    const std::optional<QVariantList> stored = storedValues(context.scope, key);
    if (!stored) {
        context.conflicts.append(dishLabel(context, original, key) +
                                 QStringLiteral(" foi excluído por outro usuário."));
        return false;
    }
    for (int i = 0; i < int(std::size(writable)); ++i) {
        const int column = context.delta.fieldIndex(name(writable[i]));
        if (!writable[i].compared || column < 0)
            continue;
        if (!sameValue(writable[i], cellValue(writable[i], original[column]), stored->at(i))) {
            context.conflicts.append(dishLabel(context, original, key) +
                                     QStringLiteral(" foi alterado por outro usuário."));
            return false;
        }
    }
    return true;
}

void applyDeleted(ChangeContext& context, const Change& change) {
    const ChoiceKey key = keyOf(context.delta, change.original);
    if (!unchangedSinceRead(context, change.original, key))
        return;
    const SqlStatement remove(
        context.scope.conn,
        QStringLiteral("DELETE FROM CONFESCO WHERE CDFILIAL = :BRANCH AND CDPACIENTE = :PATIENT"
                       " AND DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ AND CDSEQUCOPR = :CHOICE"),
        keyValues(key));
    context.log.append(QJsonObject{{QStringLiteral("excluido"), key.choice}});
}

void applyModified(ChangeContext& context, const Change& change) {
    const ChoiceKey key = keyOf(context.delta, change.original);
    const ChoiceKey newKey = keyOf(context.delta, change.row);
    if (newKey.record != key.record || newKey.choice != key.choice)
        throw MethodError(QStringLiteral("A chave do prato escolhido não pode ser alterada."));
    if (!unchangedSinceRead(context, change.original, key))
        return;
    QVariantMap values = keyValues(key);
    QStringList assignments;
    QJsonObject changed;
    for (const Column& column : writable) {
        const int index = context.delta.fieldIndex(name(column));
        if (index < 0)
            continue;
        const QVariant value = cellValue(column, change.row[index]);
        if (sameValue(column, value, cellValue(column, change.original[index])))
            continue;
        assignments.append(QStringLiteral("%1 = :V_%1").arg(name(column)));
        values.insert(QStringLiteral("V_") + name(column), value);
        changed.insert(name(column), QJsonValue::fromVariant(value));
    }
    if (assignments.isEmpty())
        return;
    const SqlStatement update(
        context.scope.conn,
        QStringLiteral("UPDATE CONFESCO SET %1, NRVERSAO = NRVERSAO + 1 WHERE CDFILIAL = :BRANCH"
                       " AND CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ"
                       " AND CDSEQUCOPR = :CHOICE")
            .arg(assignments.join(u", ")),
        values);
    context.log.append(QJsonObject{{QStringLiteral("alterado"), key.choice},
                                   {QStringLiteral("valores"), changed}});
}

void applyInserted(ChangeContext& context, const Change& change) {
    const ChoiceKey key = keyOf(context.delta, change.row);
    if (!findDayRecord(context.scope.conn, key.record))
        throw MethodError(QStringLiteral("Registro de dieta do paciente %1 não encontrado:"
                                         " atualize a lista.")
                              .arg(key.record.patient));
    const auto value = [&](const char* field) {
        const int index = context.delta.fieldIndex(QString::fromLatin1(field));
        for (const Column& column : writable)
            if (qstrcmp(column.name, field) == 0)
                return index < 0 ? QVariant() : cellValue(column, change.row[index]);
        return QVariant();
    };
    Choice choice;
    choice.dishType = value("CDTIPOPRAT").toString();
    choice.dish = value("CDPRATO").toString();
    choice.dishBranch = value("CDFILAUXPRAT").toString();
    choice.chosen = value("IDESCOCONF").toString();
    choice.option = value("IDOPCAOCONF").toString();
    choice.remark = value("DSOBSCONF");
    choice.quantity = value("QTPRATCONF");
    choice.consumption = value("HRCONSCONF");
    choice.interval = value("HRINTECONF");
    choice.period = value("HRPERICONF");
    choice.consumptionDate = value("DTCONSCONF");
    choice.restriction = value("IDRESTCONF").toString();
    if (!key.choice.isEmpty() && storedValues(context.scope, key)) {
        context.conflicts.append(dishLabel(context, change.row, key) +
                                 QStringLiteral(" já foi incluído por outro usuário."));
        return;
    }
    // The number is the server's: a client's own numbering could clash with another's.
    insertChoices(context.scope.conn, key.record, {choice});
    context.log.append(QJsonObject{{QStringLiteral("incluido"), choice.dish}});
}

// Every record the change log touches, locked in one order (two change logs of the same
// records cannot wait for each other crosswise); MethodError when one is gone.
void lockRecords(const WriteScope& scope, QList<DayRecordKey> records) {
    std::sort(records.begin(), records.end(), [](const DayRecordKey& a, const DayRecordKey& b) {
        return std::tie(a.branch, a.patient, a.date, a.sequence) <
               std::tie(b.branch, b.patient, b.date, b.sequence);
    });
    for (const DayRecordKey& record : std::as_const(records))
        if (!lockDayRecord(scope.conn, scope.engine, record))
            throw MethodError(QStringLiteral("Registro de dieta do paciente %1 não encontrado:"
                                             " atualize a lista.")
                                  .arg(record.patient));
}

void touchRecords(const WriteScope& scope, const QList<DayRecordKey>& records) {
    for (const DayRecordKey& record : records)
        const SqlStatement touch(
            scope.conn,
            QStringLiteral("UPDATE SERVINTE SET CDOPERADOR = :OPERATOR, DTULTALTE = :CHANGED"
                           " WHERE CDFILIAL = :BRANCH AND CDPACIENTE = :PATIENT AND"
                           " DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ"),
            {{QStringLiteral("OPERATOR"), scope.operatorCode},
             {QStringLiteral("CHANGED"), QDateTime::currentDateTime()},
             {QStringLiteral("BRANCH"), record.branch},
             {QStringLiteral("PATIENT"), record.patient},
             {QStringLiteral("DAY"), record.date},
             {QStringLiteral("SEQ"), record.sequence}});
}

} // namespace

CallResult setUpdConfesco(MethodCall& call) {
    try {
        const DataPacket delta =
            call.requirePacket("delta", QStringLiteral("Pacote de alterações"));
        if (!delta.changeLog && !delta.rows.isEmpty())
            return CallResult::fail(QStringLiteral("Pacote de alterações inválido."));
        for (const char* field : keyFields)
            if (delta.fieldIndex(QString::fromLatin1(field)) < 0)
                return CallResult::fail(QStringLiteral("Pacote de alterações inválido: falta o"
                                                       " campo %1.")
                                            .arg(QString::fromLatin1(field)));
        if (delta.fieldIndex(u"CDSEQUCOPR") < 0)
            return CallResult::fail(
                QStringLiteral("Pacote de alterações inválido: falta o campo CDSEQUCOPR."));
        if (delta.changes.isEmpty())
            return CallResult::ok();

        QStringList branches;
        QList<DayRecordKey> records;
        QSet<QString> seen;
        for (const Change& change : delta.changes) {
            const Row& row =
                change.status == Change::Status::Inserted ? change.row : change.original;
            const ChoiceKey key = keyOf(delta, row);
            if (!branches.contains(key.record.branch))
                branches.append(key.record.branch);
            const QString record =
                QStringList{key.record.branch, key.record.patient,
                            key.record.date.toString(Qt::ISODate), key.record.sequence}
                    .join(u'|');
            if (!seen.contains(record)) {
                seen.insert(record);
                records.append(key.record);
            }
        }

        return runWrite(
            call.context(), call.context().operatorCode, branches, [&](WriteScope& scope) {
                lockRecords(scope, records);
                ChangeContext changes{scope, delta, {}, {}};
                for (const Change& change : delta.changes) {
                    switch (change.status) {
                    case Change::Status::Deleted:
                        applyDeleted(changes, change);
                        break;
                    case Change::Status::Modified:
                        applyModified(changes, change);
                        break;
                    case Change::Status::Inserted:
                        applyInserted(changes, change);
                        break;
                    }
                }
                if (!changes.conflicts.isEmpty())
                    return CallResult::fail(
                        changes.conflicts.join(u'\n') +
                        QStringLiteral("\nNenhuma alteração foi gravada."
                                       " Atualize os dados e repita a alteração."));
                touchRecords(scope, records);
                QSet<QString> audited;
                for (const DayRecordKey& record : std::as_const(records))
                    if (!audited.contains(record.patient)) {
                        audited.insert(record.patient);
                        scope.audit.patients.append(record.patient);
                    }
                scope.audit.changes = QJsonObject{{QStringLiteral("pratos"), changes.log}};
                return CallResult::ok();
            });
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
}

} // namespace dieta::server
