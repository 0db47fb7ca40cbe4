// The diet dialogs' writes: a diet with its chosen menu for every marked inpatient, and
// further records of a diet, each with its menu, for the one marked inpatient.

#include "server/methods/dayrecords.h"
#include "server/methods/dialogs/handlers.h"
#include "server/methods/dialogs/menu.h"
#include "server/methods/dialogs/menuwriter.h"
#include "server/methods/domain.h"
#include "server/methods/methodsupport.h"

#include <QHash>
#include <QJsonArray>
#include <QSet>
#include <QSqlQuery>
#include <cmath>

namespace dieta::server {

namespace {

// A marked row of the inpatient list: who, and which of the day's records it showed.
struct MarkedPatient {
    QString patient;
    QString status;   // STPACIACOM of the row
    QString sequence; // NRSEQUSERV of the row, "" when the stay had no record yet
    QDate day;        // DTSERVINTE of the row
};

// Each patient once, in the order marked; linear in the rows (a whole hospital may be marked).
QList<MarkedPatient> markedPatients(const DataPacket& marked) {
    if (marked.fieldIndex(u"CDPACIENTE") < 0)
        throw MethodError(QStringLiteral("Lista de pacientes marcados inválida."));
    if (marked.rows.size() > kMaxListCodes)
        throw MethodError(
            QStringLiteral("Lista de pacientes marcados: mais de %1 linhas.").arg(kMaxListCodes));
    QList<MarkedPatient> patients;
    QSet<QString> seen;
    for (int row = 0; row < marked.rows.size(); ++row) {
        const QString patient = cellText(marked, row, u"CDPACIENTE").trimmed();
        if (patient.isEmpty() || seen.contains(patient))
            continue;
        checkedCode(patient, 12, QStringLiteral("Paciente"));
        seen.insert(patient);
        patients.append({patient, cellText(marked, row, u"STPACIACOM"),
                         cellText(marked, row, u"NRSEQUSERV"),
                         cellDate(marked, row, u"DTSERVINTE")});
    }
    if (patients.isEmpty())
        throw MethodError(QStringLiteral("Paciente deve ser informado."));
    return patients;
}

QString patientOrCompanion(const QString& status) {
    if (status != u"0" && status != u"1")
        throw MethodError(
            QStringLiteral("Indique paciente (\"0\") ou acompanhante (\"1\"), não \"%1\".")
                .arg(status));
    return status;
}

ServiceInfo requireService(const QSqlDatabase& conn, const QString& branch, const QString& code) {
    if (code.isEmpty())
        throw MethodError(QStringLiteral("Serviço deve ser informado."));
    const std::optional<ServiceInfo> service = findService(conn, branch, code);
    if (!service)
        throw MethodError(
            QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(code, branch));
    return *service;
}

DietInfo requireDiet(const QSqlDatabase& conn, const QString& branch, const ServiceInfo& service,
                     const QString& code) {
    if (code.isEmpty())
        throw MethodError(QStringLiteral("Dieta deve ser informada."));
    const std::optional<DietInfo> diet = findDiet(conn, code);
    if (!diet)
        throw MethodError(QStringLiteral("Dieta %1 não cadastrada.").arg(code));
    checkDietOfService(conn, branch, service.code, code);
    return *diet;
}

Stay requireStay(const WriteScope& scope, const QString& branch, const QString& patient, QDate day,
                 const QString& status) {
    const std::optional<Stay> stay =
        activeStay(scope.conn, scope.engine, branch, patient, day, true);
    if (!stay)
        throw MethodError(QStringLiteral("Paciente %1 não está internado na filial %2 em %3.")
                              .arg(patient, branch, day.toString(QStringLiteral("dd/MM/yyyy"))));
    if (!isPatientStatus(status) && !stay->companion)
        throw MethodError(
            QStringLiteral("Acompanhante para o paciente %1 deve estar cadastrado.").arg(patient));
    return *stay;
}

QVariant numberCell(const DataPacket& packet, int row, QStringView field) {
    return checkedAmount(packet.value(row, field), field.toString());
}

// The dish of a menu row, as the branch may use it: its own branch's or a common one ("P").
QString dishBranchOf(const QSqlDatabase& conn, const QString& branch, const QString& dish,
                     const QString& given) {
    QSqlQuery query =
        execSql(conn,
                QStringLiteral("SELECT CDFILAUXPRAT FROM PRATO WHERE CDPRATO = :PRATO"
                               " AND (CDFILAUXPRAT = :FILIAL OR CDFILAUXPRAT = 'P')"
                               " ORDER BY CASE WHEN CDFILAUXPRAT = 'P' THEN 1 ELSE 0"
                               " END"),
                {{QStringLiteral("PRATO"), dish}, {QStringLiteral("FILIAL"), branch}});
    QStringList branches;
    while (query.next())
        branches.append(query.value(0).toString());
    if (given.isEmpty() && !branches.isEmpty())
        return branches.first();
    if (branches.contains(given))
        return given;
    throw MethodError(QStringLiteral("Prato %1 não cadastrado.").arg(dish));
}

bool dishTypeExists(const QSqlDatabase& conn, const QString& type) {
    return execSql(conn, QStringLiteral("SELECT 1 FROM TIPOPRAT WHERE CDTIPOPRAT = :TIPO"),
                   {{QStringLiteral("TIPO"), type}})
        .next();
}

// The menu rows the dialog sends, checked against the lookup tables. A quantity diet chooses
// the dishes whose quantity is above zero.
QList<Choice> choicesFromMenu(const QSqlDatabase& conn, const QString& branch,
                              const DataPacket& menu, const DietInfo& diet) {
    QList<Choice> choices;
    for (int row = 0; row < menu.rows.size(); ++row) {
        Choice choice;
        choice.dishType = checkedCode(cellText(menu, row, u"CDTIPOPRAT").trimmed(), 2,
                                      QStringLiteral("Tipo de prato"));
        choice.dish =
            checkedCode(cellText(menu, row, u"CDPRATO").trimmed(), 10, QStringLiteral("Prato"));
        if (choice.dishType.isEmpty())
            throw MethodError(QStringLiteral("Tipo de prato deve ser informado."));
        if (choice.dish.isEmpty())
            throw MethodError(QStringLiteral("Prato deve ser informado."));
        if (!dishTypeExists(conn, choice.dishType))
            throw MethodError(
                QStringLiteral("Tipo de prato %1 não cadastrado.").arg(choice.dishType));
        choice.dishBranch =
            dishBranchOf(conn, branch, choice.dish, cellText(menu, row, u"CDFILAUXPRAT").trimmed());
        const QString remark = cellText(menu, row, u"DSOBSCONF");
        if (remark.size() > 255)
            throw MethodError(QStringLiteral("Observação do prato %1 com mais de 255 caracteres.")
                                  .arg(choice.dish));
        choice.remark = remark.isEmpty() ? QVariant() : QVariant(remark);
        choice.quantity = numberCell(menu, row, u"QTPRATCONF");
        if (!choice.quantity.isNull() && choice.quantity.toDouble() < 0)
            throw MethodError(
                QStringLiteral("Quantidade do prato %1 não pode ser negativa.").arg(choice.dish));
        choice.chosen =
            cellText(menu, row, u"IDESCOCONF") == u"S" ? QStringLiteral("S") : QStringLiteral("N");
        if (diet.kind == u"3")
            choice.chosen =
                choice.quantity.toDouble() > 0 ? QStringLiteral("S") : QStringLiteral("N");
        choice.option =
            cellText(menu, row, u"IDOPCAOCONF") == u"S" ? QStringLiteral("S") : QStringLiteral("N");
        choice.consumption = numberCell(menu, row, u"HRCONSCONF");
        choice.interval = numberCell(menu, row, u"HRINTECONF");
        choice.period = numberCell(menu, row, u"HRPERICONF");
        const QVariant consumptionDate = menu.value(row, u"DTCONSCONF");
        choice.consumptionDate = consumptionDate.metaType().id() == QMetaType::QDateTime ||
                                         consumptionDate.metaType().id() == QMetaType::QDate
                                     ? cellFromSql(consumptionDate, FieldKind::DateTime)
                                     : QVariant();
        choice.restriction =
            cellText(menu, row, u"IDRESTCONF") == u"1" ? QStringLiteral("1") : QStringLiteral("0");
        choices.append(choice);
    }
    return choices;
}

QString dishIdentity(const QString& type, const QString& branch, const QString& dish) {
    return type + u'|' + branch + u'|' + dish;
}

// Keeping the previous settings: a dish the record already had keeps the remark and times
// that the new row leaves empty.
void keepDishSettings(const QSqlDatabase& conn, const DayRecordKey& key, QList<Choice>& choices) {
    QSqlQuery query = execSql(
        conn,
        QStringLiteral("SELECT CDTIPOPRAT, CDFILAUXPRAT, CDPRATO, DSOBSCONF, HRCONSCONF,"
                       " HRINTECONF, HRPERICONF FROM CONFESCO WHERE CDFILIAL = :FILIAL"
                       " AND CDPACIENTE = :PACIENTE AND DTSERVINTE = :DIA AND NRSEQUSERV = :SEQ"),
        {{QStringLiteral("FILIAL"), key.branch},
         {QStringLiteral("PACIENTE"), key.patient},
         {QStringLiteral("DIA"), key.date},
         {QStringLiteral("SEQ"), key.sequence}});
    QHash<QString, QVariantList> previous;
    while (query.next())
        previous.insert(dishIdentity(query.value(0).toString(), query.value(1).toString(),
                                     query.value(2).toString()),
                        {query.value(3), cellFromSql(query.value(4), FieldKind::Float),
                         cellFromSql(query.value(5), FieldKind::Float),
                         cellFromSql(query.value(6), FieldKind::Float)});
    for (Choice& choice : choices) {
        const auto it =
            previous.constFind(dishIdentity(choice.dishType, choice.dishBranch, choice.dish));
        if (it == previous.constEnd())
            continue;
        if (choice.remark.isNull() && !it->at(0).isNull())
            choice.remark = it->at(0).toString();
        if (choice.consumption.isNull())
            choice.consumption = it->at(1);
        if (choice.interval.isNull())
            choice.interval = it->at(2);
        if (choice.period.isNull())
            choice.period = it->at(3);
    }
}

// The record the dialog means for a marked patient: the one its row showed when the row is of
// the same person (patient or companion) and day, else that person's first record of the day.
std::optional<DayRecord> targetRecord(const QSqlDatabase& conn, const QString& branch, QDate day,
                                      const MarkedPatient& marked, const QString& status) {
    const bool samePerson = isPatientStatus(marked.status) == isPatientStatus(status);
    if (samePerson && !marked.sequence.isEmpty() && (!marked.day.isValid() || marked.day == day)) {
        std::optional<DayRecord> record =
            findDayRecord(conn, {branch, marked.patient, day, marked.sequence});
        if (record && isPatientStatus(record->status) == isPatientStatus(status))
            return record;
    }
    return firstDayRecord(conn, branch, marked.patient, day, status);
}

QJsonObject changeNote(const QString& service, const DietInfo& diet, QDate day,
                       const QString& status, qsizetype dishes) {
    return {{QStringLiteral("servico"), service},
            {QStringLiteral("dieta"), diet.code},
            {QStringLiteral("data"), day.toString(Qt::ISODate)},
            {QStringLiteral("pacacom"), status},
            {QStringLiteral("pratos"), qint64(dishes)}};
}

// The arguments of SetConfDieta, read and checked before its transaction begins.
struct ConfDietaRequest {
    QDate day;
    QString service;
    QString diet;
    QString status;
    QString keep;
    QList<MarkedPatient> patients;
    DataPacket menu;
};

ConfDietaRequest confDietaRequest(const MethodCall& call, const QString& branch) {
    ConfDietaRequest request;
    checkedCode(branch, 4, QStringLiteral("Filial"));
    request.day = call.date("day");
    if (!request.day.isValid())
        throw MethodError(QStringLiteral("Data deve ser informada."));
    request.service = checkedCode(call.text("service"), 5, QStringLiteral("Serviço"));
    request.diet = checkedCode(call.text("diet").trimmed(), 4, QStringLiteral("Dieta"));
    request.status = patientOrCompanion(call.text("status"));
    const QString keepText = call.text("keepSettings");
    request.keep = keepText.isEmpty() ? QStringLiteral("N") : keepText;
    if (request.keep != u"S" && request.keep != u"N")
        throw MethodError(QStringLiteral("Indicação de manter configurações inválida: \"%1\".")
                              .arg(request.keep));
    request.patients =
        markedPatients(call.requirePacket("marked", QStringLiteral("Lista de pacientes marcados")));
    request.menu = call.requirePacket("menu", QStringLiteral("Cardápio"));
    return request;
}

} // namespace

// Keeping the settings ("S") keeps the record's remark and, for the dishes the new menu still
// holds, their remarks and times. The new list is read after the commit.
CallResult setConfDieta(MethodCall& call) {
    const CallOperator op = callOperator(call.context(), call.text("operatorCode"));
    if (!op.error.isEmpty())
        return CallResult::fail(op.error);
    const QString branch = call.text("branch");
    ConfDietaRequest request;
    try {
        request = confDietaRequest(call, branch);
    } catch (const MethodError& error) {
        return CallResult::fail(error.text());
    }
    const CallResult written = runWrite(call.context(), op.code, {branch}, [&](WriteScope& scope) {
        const QDate day = request.day;
        const QString& status = request.status;
        const QString& keep = request.keep;
        const QList<MarkedPatient>& patients = request.patients;
        const ServiceInfo service = requireService(scope.conn, branch, request.service);
        const DietInfo diet = requireDiet(scope.conn, branch, service, request.diet);
        const QList<Choice> menu = choicesFromMenu(scope.conn, branch, request.menu, diet);

        MenuWriter menus(scope.conn);
        for (const MarkedPatient& marked : patients) {
            requireStay(scope, branch, marked.patient, day, status);
            QList<Choice> choices = menu;
            std::optional<DayRecord> record = targetRecord(scope.conn, branch, day, marked, status);
            if (record) {
                if (keep == u"S")
                    keepDishSettings(scope.conn, record->key, choices);
                else {
                    record->remark.clear();
                    record->printMark = QStringLiteral("N");
                }
                record->service = service.code;
                record->diet = diet.code;
                updateDayRecord(scope.conn, *record, scope.operatorCode);
            } else {
                DayRecord fresh;
                fresh.key = {branch, marked.patient, day, QString()};
                fresh.status = status;
                fresh.service = service.code;
                fresh.diet = diet.code;
                record = insertDayRecord(scope.conn, fresh, scope.operatorCode);
            }
            menus.write(record->key, choices);
            scope.audit.patients.append(marked.patient);
        }
        scope.audit.changes = changeNote(service.code, diet, day, status, menu.size());
        scope.audit.changes.insert(QStringLiteral("manter"), keep);
        return CallResult::ok();
    });
    return listAfterCommit(call.context(), written, call.packet("params"));
}

// The quantity is the number of records to add, each with the diet's menu.
CallResult setDupDieta(MethodCall& call) {
    const CallOperator op = callOperator(call.context(), call.text("operatorCode"));
    if (!op.error.isEmpty())
        return CallResult::fail(op.error);
    const QString branch = call.text("branch");
    const CallResult written = runWrite(call.context(), op.code, {branch}, [&](WriteScope& scope) {
        checkedCode(branch, 4, QStringLiteral("Filial"));
        const QDate day = call.date("day");
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        const ServiceInfo service = requireService(
            scope.conn, branch, checkedCode(call.text("service"), 5, QStringLiteral("Serviço")));
        call.setText("serviceKind", service.kind);
        const DietInfo diet =
            requireDiet(scope.conn, branch, service,
                        checkedCode(call.text("diet").trimmed(), 4, QStringLiteral("Dieta")));
        const QString status = patientOrCompanion(call.text("status"));
        const double quantity = std::trunc(call.number("quantity"));
        if (!std::isfinite(quantity) || quantity < 1)
            throw MethodError(QStringLiteral("Quantidade deve ser maior que zero."));
        if (quantity > 99)
            throw MethodError(QStringLiteral("Quantidade deve ser no máximo 99."));
        const QList<MarkedPatient> patients =
            markedPatients(call.requirePacket("marked", QStringLiteral("Paciente marcado")));
        if (patients.size() > 1)
            throw MethodError(QStringLiteral(
                "Não é possível acrescentar/duplicar dieta para mais de um paciente."));
        const QString patient = patients.first().patient;
        requireStay(scope, branch, patient, day, status);

        const QList<CardDish> card = cardForDiet(scope.conn, branch, service.code, diet.code, day);
        if (card.isEmpty() && (diet.needsCard() || service.kind == u"N")) {
            const QString missing = call.text("missingCardText");
            return CallResult::fail(missing.isEmpty()
                                        ? QStringLiteral("Não existe cardápio cadastrado para "
                                                         " dieta e dia informado.")
                                        : missing);
        }
        QList<Choice> choices;
        for (const CardDish& dish : card)
            choices.append(choiceFromCard(dish, day));
        QJsonArray sequences;
        MenuWriter menus(scope.conn);
        for (int i = 0; i < int(quantity); ++i) {
            DayRecord fresh;
            fresh.key = {branch, patient, day, QString()};
            fresh.status = status;
            fresh.service = service.code;
            fresh.diet = diet.code;
            const DayRecord stored = insertDayRecord(scope.conn, fresh, scope.operatorCode);
            menus.write(stored.key, choices);
            sequences.append(stored.key.sequence);
        }
        scope.audit.patients = {patient};
        scope.audit.changes = changeNote(service.code, diet, day, status, choices.size());
        scope.audit.changes.insert(QStringLiteral("sequencias"), sequences);
        return CallResult::ok();
    });
    return listAfterCommit(call.context(), written, call.packet("params"));
}

} // namespace dieta::server
