// The diet dialogs' writes: a diet with its chosen menu for every marked inpatient, and
// further records of a diet, each with its menu, for the one marked inpatient.

#include "server/methods/dayrecords.h"
#include "server/methods/dialogs/handlers.h"
#include "server/methods/dialogs/markedrecords.h"
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

struct ServiceAndDiet {
    ServiceInfo service;
    DietInfo diet;
};

QString textOf(const SqlStatement& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

// The service and the diet checked as requireService and requireDiet check them (same
// refusals, in the same order), in one statement.
ServiceAndDiet requireServiceAndDiet(const QSqlDatabase& conn, const QString& branch,
                                     const QString& service, const QString& diet) {
    if (service.isEmpty())
        throw MethodError(QStringLiteral("Serviço deve ser informado."));
    SqlStatement query(
        conn,
        QStringLiteral("SELECT SV.CDSERVFILI, SV.NMSERVICO, SV.IDTIPOSERV, SV.CDGRUPSERV,"
                       " D.CDDIETPAD, D.DSDIETPAD, D.CDDIETGRUP, D.IDFORMDIET, D.IDDIETESPE,"
                       " (SELECT COUNT(*) FROM DIETSERV DS WHERE DS.CDFILIAL = :FILIAL"
                       " AND DS.CDSERVFILI = :SERVICO AND DS.CDDIETPAD = :DIETA)"
                       " FROM (SELECT 1 AS UM) X"
                       " LEFT JOIN SERVICO SV ON SV.CDFILIAL = :FILIAL AND SV.CDSERVFILI = :SERVICO"
                       " LEFT JOIN DIETPADR D ON D.CDDIETPAD = :DIETA"),
        {{QStringLiteral("FILIAL"), branch},
         {QStringLiteral("SERVICO"), service},
         {QStringLiteral("DIETA"), diet}});
    if (!query.next() || query.value(0).isNull())
        throw MethodError(
            QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(service, branch));
    ServiceAndDiet found;
    found.service = {textOf(query, 0), textOf(query, 1), textOf(query, 2), textOf(query, 3)};
    if (diet.isEmpty())
        throw MethodError(QStringLiteral("Dieta deve ser informada."));
    if (query.value(4).isNull())
        throw MethodError(QStringLiteral("Dieta %1 não cadastrada.").arg(diet));
    found.diet = {textOf(query, 4), textOf(query, 5), textOf(query, 6), textOf(query, 7),
                  textOf(query, 8) == u"S"};
    if (query.value(9).toInt() == 0)
        throw MethodError(QStringLiteral("Dieta %1 não cadastrada para o serviço %2.")
                              .arg(diet, found.service.code));
    return found;
}

QVariant numberCell(const DataPacket& packet, int row, QStringView field) {
    return checkedAmount(packet.value(row, field), field.toString());
}

// The menu's dish types and dishes as the lookup tables hold them, read for all rows at once.
struct MenuLookups {
    QSet<QString> dishTypes;
    QHash<QString, QStringList> dishBranches; // the branch's own dish first, then the common one
};

// Both lookup tables in one statement: the dish types (kind 0) and the dishes of the branch
// or common (kind 1), each dish's own branch before the common one.
MenuLookups menuLookups(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                        const DataPacket& menu) {
    QStringList types;
    QStringList dishes;
    for (int row = 0; row < menu.rows.size(); ++row) {
        types.append(cellText(menu, row, u"CDTIPOPRAT").trimmed());
        dishes.append(cellText(menu, row, u"CDPRATO").trimmed());
    }
    SqlStatement rows(
        conn,
        QStringLiteral("SELECT 0, CDTIPOPRAT, CDTIPOPRAT, 0 FROM TIPOPRAT WHERE %1"
                       " UNION ALL SELECT 1, CDPRATO, CDFILAUXPRAT, CASE WHEN CDFILAUXPRAT = 'P'"
                       " THEN 1 ELSE 0 END FROM PRATO WHERE %2"
                       " AND (CDFILAUXPRAT = :FILIAL OR CDFILAUXPRAT = 'P') ORDER BY 1, 2, 4")
            .arg(codeCondition(engine, QStringLiteral("CDTIPOPRAT"), QStringLiteral("TIPOS")),
                 codeCondition(engine, QStringLiteral("CDPRATO"), QStringLiteral("PRATOS"))),
        {{QStringLiteral("TIPOS"), jsonList(types)},
         {QStringLiteral("PRATOS"), jsonList(dishes)},
         {QStringLiteral("FILIAL"), branch}});
    MenuLookups lookups;
    while (rows.next()) {
        if (rows.value(0).toInt() == 0)
            lookups.dishTypes.insert(rows.value(1).toString());
        else
            lookups.dishBranches[rows.value(1).toString()].append(rows.value(2).toString());
    }
    return lookups;
}

// The dish of a menu row, as the branch may use it: its own branch's or a common one ("P").
QString dishBranchOf(const MenuLookups& lookups, const QString& dish, const QString& given) {
    const QStringList branches = lookups.dishBranches.value(dish);
    if (given.isEmpty() && !branches.isEmpty())
        return branches.first();
    if (branches.contains(given))
        return given;
    throw MethodError(QStringLiteral("Prato %1 não cadastrado.").arg(dish));
}

// The menu rows the dialog sends, checked against the lookup tables. A quantity diet chooses
// the dishes whose quantity is above zero.
QList<Choice> choicesFromMenu(const MenuLookups& lookups, const DataPacket& menu,
                              const DietInfo& diet) {
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
        if (!lookups.dishTypes.contains(choice.dishType))
            throw MethodError(
                QStringLiteral("Tipo de prato %1 não cadastrado.").arg(choice.dishType));
        choice.dishBranch =
            dishBranchOf(lookups, choice.dish, cellText(menu, row, u"CDFILAUXPRAT").trimmed());
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

// Keeping the previous settings: a dish the record already had keeps the remark and times
// that the new row leaves empty. True when any choice changed.
bool keepDishSettings(const DishSettings& previous, QList<Choice>& choices) {
    bool changed = false;
    const auto fill = [&changed](QVariant& value, const QVariant& kept) {
        if (!value.isNull() || kept.isNull())
            return;
        value = kept;
        changed = true;
    };
    for (Choice& choice : choices) {
        const auto it =
            previous.constFind(dishIdentity(choice.dishType, choice.dishBranch, choice.dish));
        if (it == previous.constEnd())
            continue;
        fill(choice.remark, it->at(0).isNull() ? QVariant() : QVariant(it->at(0).toString()));
        fill(choice.consumption, it->at(1));
        fill(choice.interval, it->at(2));
        fill(choice.period, it->at(3));
    }
    return changed;
}

// Every target gets the menu. With the settings kept, a record whose dishes had remarks or
// times of their own gets its own rows; the others share one copy of the menu, written once
// and copied to them in one statement.
void writeMenus(const MarkedDay& day, const QList<TargetRecord>& targets, const QList<Choice>& menu,
                bool keepSettings) {
    QList<KeyPair> records;
    records.reserve(targets.size());
    for (const TargetRecord& target : targets)
        records.append({target.patient, target.sequence});
    const QHash<KeyPair, DishSettings> previous =
        keepSettings ? dishSettings(day, records) : QHash<KeyPair, DishSettings>();
    deleteChoicesOf(day, records);
    MenuWriter writer(day.conn);
    QList<KeyPair> plain;
    for (const KeyPair& record : records) {
        QList<Choice> choices = menu;
        const auto kept = previous.constFind(record);
        if (kept != previous.constEnd() && keepDishSettings(*kept, choices))
            writer.insert({day.branch, record.first, day.day, record.second}, choices);
        else
            plain.append(record);
    }
    insertMenus(day, plain, menu);
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
        const auto [service, diet] =
            requireServiceAndDiet(scope.conn, branch, request.service, request.diet);
        const QList<Choice> menu = choicesFromMenu(
            menuLookups(scope.conn, scope.engine, branch, request.menu), request.menu, diet);

        const MarkedDay day{scope.conn, scope.engine, branch, request.day, request.status};
        requireStays(day, request.patients);
        QList<TargetRecord> targets = targetRecords(day, request.patients);
        const RecordValues values{service.code, diet.code, scope.operatorCode,
                                  request.keep == u"S"};
        updateRecords(day, targets, values);
        insertRecords(day, targets, values);
        writeMenus(day, targets, menu, values.keepRemark);
        for (const MarkedPatient& marked : request.patients)
            scope.audit.patients.append(marked.patient);
        scope.audit.changes =
            changeNote(service.code, diet, request.day, request.status, menu.size());
        scope.audit.changes.insert(QStringLiteral("manter"), request.keep);
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
        const MarkedDay records{scope.conn, scope.engine, branch, day, status};
        requireStays(records, patients);

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
        // The new records in one statement, the card written once and copied to the others.
        QList<TargetRecord> added = nextRecords(records, patient, int(quantity));
        insertRecords(records, added, {service.code, diet.code, scope.operatorCode, false});
        writeMenus(records, added, choices, false);
        QJsonArray sequences;
        for (const TargetRecord& record : added)
            sequences.append(record.sequence);
        scope.audit.patients = {patient};
        scope.audit.changes = changeNote(service.code, diet, day, status, choices.size());
        scope.audit.changes.insert(QStringLiteral("sequencias"), sequences);
        return CallResult::ok();
    });
    return listAfterCommit(call.context(), written, call.packet("params"));
}

} // namespace dieta::server
