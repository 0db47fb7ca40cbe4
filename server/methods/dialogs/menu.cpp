#include "server/methods/dialogs/menu.h"

#include "platform/sqldatabase.h"
#include "server/methods/dayrecords.h"
#include "server/methods/dialogs/menuwriter.h"
#include "server/methods/inpatientlist.h"
#include "server/methods/methodsupport.h"
#include "server/storage/schema.h"

#include <QSqlQuery>
#include <iterator>

namespace dieta::server {

namespace {

QVariantMap values(std::initializer_list<std::pair<QString, QVariant>> pairs) {
    QVariantMap map;
    for (const auto& [name, value] : pairs)
        map.insert(name, value);
    return map;
}

bool cardExists(const QSqlDatabase& conn, const QString& branch, const QString& service,
                const QString& key, QDate day) {
    if (key.isEmpty())
        return false;
    SqlStatement query(conn,
                       QStringLiteral("SELECT 1 FROM COMPCARD WHERE CDFILIAL = :FILIAL"
                                      " AND CDSERVFILI = :SERVICO AND CDDIETCARD = :CARTAO"
                                      " AND DTCOMPCARD = :DIA"),
                       values({{QStringLiteral("FILIAL"), branch},
                               {QStringLiteral("SERVICO"), service},
                               {QStringLiteral("CARTAO"), key},
                               {QStringLiteral("DIA"), day}}));
    return query.next();
}

QString text(const SqlStatement& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

QVariant number(const SqlStatement& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QVariant() : QVariant(value.toDouble());
}

} // namespace

std::optional<ServiceInfo> findService(const QSqlDatabase& conn, const QString& branch,
                                       const QString& code) {
    SqlStatement query(
        conn,
        QStringLiteral("SELECT CDSERVFILI, NMSERVICO, IDTIPOSERV, CDGRUPSERV FROM SERVICO"
                       " WHERE CDFILIAL = :FILIAL AND CDSERVFILI = :SERVICO"),
        values({{QStringLiteral("FILIAL"), branch}, {QStringLiteral("SERVICO"), code}}));
    if (!query.next())
        return std::nullopt;
    return ServiceInfo{text(query, 0), text(query, 1), text(query, 2), text(query, 3)};
}

std::optional<DietInfo> findDiet(const QSqlDatabase& conn, const QString& code) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT CDDIETPAD, DSDIETPAD, CDDIETGRUP, IDFORMDIET,"
                                      " IDDIETESPE FROM DIETPADR WHERE CDDIETPAD = :DIETA"),
                       values({{QStringLiteral("DIETA"), code}}));
    if (!query.next())
        return std::nullopt;
    return DietInfo{text(query, 0), text(query, 1), text(query, 2), text(query, 3),
                    text(query, 4) == u"S"};
}

bool dietAllowed(const QSqlDatabase& conn, const QString& branch, const QString& service,
                 const QString& diet) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT 1 FROM DIETSERV WHERE CDFILIAL = :FILIAL"
                                      " AND CDSERVFILI = :SERVICO AND CDDIETPAD = :DIETA"),
                       values({{QStringLiteral("FILIAL"), branch},
                               {QStringLiteral("SERVICO"), service},
                               {QStringLiteral("DIETA"), diet}}));
    return query.next();
}

QString cardKeyFor(const QSqlDatabase& conn, const QString& branch, const ServiceInfo& service,
                   const QString& diet, const QString& fallbackGroup, QDate day) {
    if (service.kind == u"N") {
        const QString key = QString::fromLatin1(kServiceCardDiet);
        return cardExists(conn, branch, service.code, key, day) ? key : QString();
    }
    if (cardExists(conn, branch, service.code, diet, day))
        return diet;
    const std::optional<DietInfo> info = diet.isEmpty() ? std::nullopt : findDiet(conn, diet);
    const QString group = info ? info->group : fallbackGroup;
    if (cardExists(conn, branch, service.code, group, day))
        return group;
    return QString();
}

QList<MenuRow> cardMenu(const QSqlDatabase& conn, const QString& branch, const QString& service,
                        const QString& cardKey, QDate day) {
    SqlStatement query(
        conn,
        QStringLiteral(
            "SELECT K.CDTIPOPRAT, TP.NMTIPOPRAT, K.CDFILAUXPRAT, K.CDPRATO, P.NMPRATO,"
            " K.IDOPCCNFMES, K.QTPRATCARD, K.HRCONSCARD, K.HRINTECARD, K.HRPERICARD"
            " FROM COMPCARD K"
            " LEFT JOIN TIPOPRAT TP ON TP.CDTIPOPRAT = K.CDTIPOPRAT"
            " LEFT JOIN PRATO P ON P.CDFILAUXPRAT = K.CDFILAUXPRAT AND P.CDPRATO = K.CDPRATO"
            " LEFT JOIN CONFCARD CC ON CC.CDFILIAL = K.CDFILIAL AND CC.CDSERVFILI = K.CDSERVFILI"
            "  AND CC.CDTIPOPRAT = K.CDTIPOPRAT"
            " WHERE K.CDFILIAL = :FILIAL AND K.CDSERVFILI = :SERVICO AND K.CDDIETCARD = :CARTAO"
            "  AND K.DTCOMPCARD = :DIA"
            " ORDER BY COALESCE(CC.NRSEQCNFCARD, 999999), K.CDTIPOPRAT, K.NRORDPRATCAR, K.CDPRATO"),
        values({{QStringLiteral("FILIAL"), branch},
                {QStringLiteral("SERVICO"), service},
                {QStringLiteral("CARTAO"), cardKey},
                {QStringLiteral("DIA"), day}}));
    QList<MenuRow> rows;
    while (query.next()) {
        // The same defaults a day record gets when its menu is built from the card.
        CardDish dish;
        dish.dishType = text(query, 0);
        dish.dishBranch = text(query, 2);
        dish.dish = text(query, 3);
        dish.option = text(query, 5);
        dish.quantity = number(query, 6);
        dish.consumption = number(query, 7);
        dish.interval = number(query, 8);
        dish.period = number(query, 9);
        const Choice choice = choiceFromCard(dish, day);
        MenuRow row;
        row.dishType = choice.dishType;
        row.dishTypeName = text(query, 1);
        row.dishBranch = choice.dishBranch;
        row.dish = choice.dish;
        row.dishName = text(query, 4);
        row.chosen = choice.chosen;
        row.option = choice.option;
        row.quantity = choice.quantity;
        row.consumptionHour = choice.consumption;
        row.intervalHours = choice.interval;
        row.periodHours = choice.period;
        row.consumptionDate = choice.consumptionDate;
        rows.append(row);
    }
    return rows;
}

DataPacket menuPacket(const QList<MenuRow>& rows, const QString& dietGroup) {
    DataPacket packet;
    packet.fields = {
        textField(QStringLiteral("IDESCOCONF"), 1),   textField(QStringLiteral("CDTIPOPRAT"), 2),
        textField(QStringLiteral("NMTIPOPRAT"), 15),  textField(QStringLiteral("CDPRATO"), 10),
        textField(QStringLiteral("NMPRATO"), 40),     textField(QStringLiteral("DSOBSCONF"), 250),
        textField(QStringLiteral("IDOPCAOCONF"), 1),  textField(QStringLiteral("CDSEQUCOPR"), 4),
        textField(QStringLiteral("CDFILAUXPRAT"), 4), floatField(QStringLiteral("HRINTECONF")),
        floatField(QStringLiteral("HRPERICONF")),     floatField(QStringLiteral("HRCONSCONF")),
        dateTimeField(QStringLiteral("DTCONSCONF")),  textField(QStringLiteral("IDRESTCONF"), 1),
        floatField(QStringLiteral("QTPRATCONF")),     textField(QStringLiteral("CDDIETGRUPSI"), 4)};
    const QVariant group = dietGroup.isEmpty() ? QVariant() : QVariant(dietGroup);
    int number = 0;
    for (const MenuRow& row : rows) {
        packet.rows.append(Row{row.chosen, row.dishType, row.dishTypeName, row.dish, row.dishName,
                               row.remark.isEmpty() ? QVariant() : QVariant(row.remark), row.option,
                               formatSequence(++number, kChoiceSequenceWidth), row.dishBranch,
                               row.intervalHours, row.periodHours, row.consumptionHour,
                               row.consumptionDate, row.restriction, row.quantity, group});
    }
    return packet;
}

void writeMenu(const QSqlDatabase& conn, const DayRecordKey& key, const QList<Choice>& choices) {
    MenuWriter(conn).write(key, choices);
}

QVariant inpatientListAnswer(const QSqlDatabase& conn, const std::optional<DataPacket>& params) {
    DataPacket empty;
    empty.fields = inpatientFields();
    return params ? inpatientListResult(conn, *params) : fromPacket(empty);
}

CallResult listAfterCommit(CallContext& context, const CallResult& written,
                           const std::optional<DataPacket>& params) {
    if (written.failed())
        return written;
    return readAfterCommit(context, [&](QSqlDatabase& conn) {
        return CallResult::ok(inpatientListAnswer(conn, params));
    });
}

CallOperator callOperator(const CallContext& context, const QString& argument) {
    const QString header = context.operatorCode.trimmed();
    const QString named = argument.trimmed();
    if (!named.isEmpty() && !header.isEmpty() && named != header)
        return {QString(), QStringLiteral("Operador %1 da chamada difere do operador %2 da sessão.")
                               .arg(named, header)};
    return {named.isEmpty() ? header : named, QString()};
}

} // namespace dieta::server
