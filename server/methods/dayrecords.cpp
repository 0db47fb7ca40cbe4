#include "server/methods/dayrecords.h"

#include "server/methods/methodsupport.h"
#include "server/storage/schema.h"

#include <QSqlQuery>
#include <cmath>

namespace dieta::server {

namespace {

// A clash means another server took the number between our read and our insert; a handful of
// retries covers any realistic race.
constexpr int maxClashRetries = 20;

QVariant nullIfEmpty(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString text(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

QVariantMap keyValues(const DayRecordKey& key) {
    return {{QStringLiteral("BRANCH"), key.branch},
            {QStringLiteral("PATIENT"), key.patient},
            {QStringLiteral("DAY"), key.date},
            {QStringLiteral("SEQ"), key.sequence}};
}

const QString recordColumns = QStringLiteral(
    "NRSEQUSERV, STPACIACOM, CDSERVFILI, CDDIETPAD, DSSERVINTE, DSPRESMEDI, IDIMPRSERV");

DayRecord recordFromQuery(const QSqlQuery& query, const QString& branch, const QString& patient,
                          QDate date) {
    DayRecord record;
    record.key = {branch, patient, date, text(query, 0)};
    record.status = text(query, 1);
    record.service = text(query, 2);
    record.diet = text(query, 3);
    record.remark = text(query, 4);
    record.prescription = text(query, 5);
    record.printMark = text(query, 6);
    return record;
}

int lastNumber(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values) {
    SqlStatement query(conn, sql, values);
    if (!query.next() || query.value(0).isNull())
        return 0;
    return query.value(0).toString().toInt();
}

} // namespace

QString formatSequence(int number, int width) {
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

std::optional<Stay> activeStay(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                               const QString& patient, QDate date, bool lock) {
    QString sql =
        QStringLiteral("SELECT DTINTERNA, DTALTA, CDSERVFILI, CDLEITO, IDACOMPANH FROM INTERNA"
                       " WHERE CDFILIAL = :BRANCH AND CDPACIENTE = :PATIENT AND DTINTERNA <= :DAY"
                       " AND (DTALTA IS NULL OR DTALTA >= :DAY) ORDER BY DTINTERNA DESC");
    if (lock && engine == SqlEngine::PostgreSQL)
        sql += QStringLiteral(" FOR UPDATE");
    SqlStatement query(conn, sql,
                       {{QStringLiteral("BRANCH"), branch},
                        {QStringLiteral("PATIENT"), patient},
                        {QStringLiteral("DAY"), date}});
    if (!query.next())
        return std::nullopt;
    Stay stay;
    stay.branch = branch;
    stay.patient = patient;
    stay.admission = cellFromSql(query.value(0), FieldKind::Date).toDate();
    stay.discharge = cellFromSql(query.value(1), FieldKind::Date).toDate();
    stay.service = text(query.query(), 2);
    stay.bed = text(query.query(), 3);
    stay.companion = text(query.query(), 4) == u"S";
    return stay;
}

namespace {

std::optional<DayRecord> selectDayRecord(const QSqlDatabase& conn, const DayRecordKey& key,
                                         const QString& lockClause) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT %1 FROM SERVINTE WHERE CDFILIAL = :BRANCH"
                                      " AND CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY"
                                      " AND NRSEQUSERV = :SEQ%2")
                           .arg(recordColumns, lockClause),
                       keyValues(key));
    if (!query.next())
        return std::nullopt;
    return recordFromQuery(query.query(), key.branch, key.patient, key.date);
}

} // namespace

std::optional<DayRecord> findDayRecord(const QSqlDatabase& conn, const DayRecordKey& key) {
    return selectDayRecord(conn, key, QString());
}

std::optional<DayRecord> lockDayRecord(const QSqlDatabase& conn, SqlEngine engine,
                                       const DayRecordKey& key) {
    return selectDayRecord(conn, key, rowLock(engine));
}

std::optional<DayRecord> firstDayRecord(const QSqlDatabase& conn, const QString& branch,
                                        const QString& patient, QDate date, const QString& status) {
    const QString statusCondition = isPatientStatus(status) ? QStringLiteral("STPACIACOM = '0'")
                                                            : QStringLiteral("STPACIACOM <> '0'");
    SqlStatement query(conn,
                       QStringLiteral("SELECT %1 FROM SERVINTE WHERE CDFILIAL = :BRANCH"
                                      " AND CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY"
                                      " AND %2 ORDER BY NRSEQUSERV")
                           .arg(recordColumns, statusCondition),
                       {{QStringLiteral("BRANCH"), branch},
                        {QStringLiteral("PATIENT"), patient},
                        {QStringLiteral("DAY"), date}});
    if (!query.next())
        return std::nullopt;
    return recordFromQuery(query.query(), branch, patient, date);
}

QList<DayRecord> dayRecords(const QSqlDatabase& conn, const QString& branch, const QString& patient,
                            QDate date) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT %1 FROM SERVINTE WHERE CDFILIAL = :BRANCH"
                                      " AND CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY"
                                      " ORDER BY NRSEQUSERV")
                           .arg(recordColumns),
                       {{QStringLiteral("BRANCH"), branch},
                        {QStringLiteral("PATIENT"), patient},
                        {QStringLiteral("DAY"), date}});
    QList<DayRecord> records;
    while (query.next())
        records.append(recordFromQuery(query.query(), branch, patient, date));
    return records;
}

DayRecord insertDayRecord(const QSqlDatabase& conn, DayRecord record, const QString& operatorCode) {
    const QVariantMap day{{QStringLiteral("BRANCH"), record.key.branch},
                          {QStringLiteral("PATIENT"), record.key.patient},
                          {QStringLiteral("DAY"), record.key.date}};
    for (int attempt = 0; attempt < maxClashRetries; ++attempt) {
        const int next = lastNumber(conn,
                                    QStringLiteral("SELECT MAX(NRSEQUSERV) FROM SERVINTE"
                                                   " WHERE CDFILIAL = :BRANCH AND CDPACIENTE ="
                                                   " :PATIENT AND DTSERVINTE = :DAY"),
                                    day) +
                         1;
        if (next > 99)
            throw MethodError(
                QStringLiteral("O paciente já tem o número máximo de registros de dieta no dia."));
        record.key.sequence = formatSequence(next, kSequenceWidth);
        QVariantMap values = keyValues(record.key);
        values.insert(QStringLiteral("STATUS"), record.status);
        values.insert(QStringLiteral("SERVICE"), record.service);
        values.insert(QStringLiteral("DIET"), nullIfEmpty(record.diet));
        values.insert(QStringLiteral("REMARK"), nullIfEmpty(record.remark));
        values.insert(QStringLiteral("PRESCRIPTION"), nullIfEmpty(record.prescription));
        values.insert(QStringLiteral("PRINTMARK"),
                      record.printMark.isEmpty() ? QStringLiteral("N") : record.printMark);
        values.insert(QStringLiteral("OPERATOR"), nullIfEmpty(operatorCode));
        values.insert(QStringLiteral("CHANGED"), QDateTime::currentDateTime());
        const SqlStatement insert(
            conn,
            QStringLiteral("INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                           " STPACIACOM, CDSERVFILI, CDDIETPAD, DSSERVINTE, DSPRESMEDI, IDIMPRSERV,"
                           " CDOPERADOR, DTULTALTE) VALUES (:BRANCH, :PATIENT, :DAY, :SEQ,"
                           " :STATUS, :SERVICE, :DIET, :REMARK, :PRESCRIPTION, :PRINTMARK,"
                           " :OPERATOR, :CHANGED) ON CONFLICT DO NOTHING"),
            values);
        if (insert.numRowsAffected() == 1)
            return record;
    }
    throw MethodError(
        QStringLiteral("Não foi possível numerar o registro de dieta. Tente novamente."));
}

void updateDayRecord(const QSqlDatabase& conn, const DayRecord& record,
                     const QString& operatorCode) {
    QVariantMap values = keyValues(record.key);
    values.insert(QStringLiteral("STATUS"), record.status);
    values.insert(QStringLiteral("SERVICE"), record.service);
    values.insert(QStringLiteral("DIET"), nullIfEmpty(record.diet));
    values.insert(QStringLiteral("REMARK"), nullIfEmpty(record.remark));
    values.insert(QStringLiteral("PRESCRIPTION"), nullIfEmpty(record.prescription));
    values.insert(QStringLiteral("PRINTMARK"),
                  record.printMark.isEmpty() ? QStringLiteral("N") : record.printMark);
    values.insert(QStringLiteral("OPERATOR"), nullIfEmpty(operatorCode));
    values.insert(QStringLiteral("CHANGED"), QDateTime::currentDateTime());
    const SqlStatement update(
        conn,
        QStringLiteral("UPDATE SERVINTE SET STPACIACOM = :STATUS, CDSERVFILI = :SERVICE,"
                       " CDDIETPAD = :DIET, DSSERVINTE = :REMARK, DSPRESMEDI = :PRESCRIPTION,"
                       " IDIMPRSERV = :PRINTMARK, CDOPERADOR = :OPERATOR, DTULTALTE = :CHANGED,"
                       " NRVERSAO = NRVERSAO + 1 WHERE CDFILIAL = :BRANCH AND CDPACIENTE ="
                       " :PATIENT AND DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ"),
        values);
    if (update.numRowsAffected() == 0)
        throw MethodError(QStringLiteral("O registro de dieta do paciente %1 foi excluído por"
                                         " outro usuário. Atualize a lista.")
                              .arg(record.key.patient));
}

bool deleteDayRecord(const QSqlDatabase& conn, const DayRecordKey& key) {
    deleteChoices(conn, key);
    const SqlStatement query(conn,
                             QStringLiteral("DELETE FROM SERVINTE WHERE CDFILIAL = :BRANCH AND"
                                            " CDPACIENTE = :PATIENT AND DTSERVINTE = :DAY AND"
                                            " NRSEQUSERV = :SEQ"),
                             keyValues(key));
    return query.numRowsAffected() > 0;
}

void checkDietOfService(const QSqlDatabase& conn, const QString& branch, const QString& service,
                        const QString& diet) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT 1 FROM DIETSERV WHERE CDFILIAL = :BRANCH AND"
                                      " CDSERVFILI = :SERVICE AND CDDIETPAD = :DIET"),
                       {{QStringLiteral("BRANCH"), branch},
                        {QStringLiteral("SERVICE"), service},
                        {QStringLiteral("DIET"), diet}});
    if (!query.next())
        throw MethodError(
            QStringLiteral("Dieta %1 não cadastrada para o serviço %2.").arg(diet, service));
}

QString serviceKind(const QSqlDatabase& conn, const QString& branch, const QString& service) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT IDTIPOSERV FROM SERVICO WHERE CDFILIAL ="
                                      " :BRANCH AND CDSERVFILI = :SERVICE"),
                       {{QStringLiteral("BRANCH"), branch}, {QStringLiteral("SERVICE"), service}});
    return query.next() ? text(query.query(), 0) : QString();
}

// ---- Menu cards and choices ----

QList<CardDish> menuCard(const QSqlDatabase& conn, const QString& branch, const QString& service,
                         const QString& cardCode, QDate date) {
    SqlStatement statement(
        conn,
        QStringLiteral(
            "SELECT C.CDFILAUXPRAT, C.CDPRATO, C.CDTIPOPRAT, C.NRORDPRATCAR, C.IDOPCCNFMES,"
            " C.QTPRATCARD, C.HRCONSCARD, C.HRINTECARD, C.HRPERICARD"
            " FROM COMPCARD C LEFT JOIN CONFCARD CC ON CC.CDFILIAL = C.CDFILIAL AND"
            " CC.CDSERVFILI = C.CDSERVFILI AND CC.CDTIPOPRAT = C.CDTIPOPRAT"
            " WHERE C.CDFILIAL = :BRANCH AND C.CDSERVFILI = :SERVICE AND C.CDDIETCARD = :CARD"
            " AND C.DTCOMPCARD = :DAY"
            " ORDER BY COALESCE(CC.NRSEQCNFCARD, 9999), C.CDTIPOPRAT, C.NRORDPRATCAR, C.CDPRATO"),
        {{QStringLiteral("BRANCH"), branch},
         {QStringLiteral("SERVICE"), service},
         {QStringLiteral("CARD"), cardCode},
         {QStringLiteral("DAY"), date}});
    const QSqlQuery& query = statement.query();
    QList<CardDish> card;
    while (statement.next()) {
        CardDish dish;
        dish.dishBranch = text(query, 0);
        dish.dish = text(query, 1);
        dish.dishType = text(query, 2);
        dish.order = query.value(3).toInt();
        dish.option = text(query, 4);
        dish.quantity = cellFromSql(query.value(5), FieldKind::Float);
        dish.consumption = cellFromSql(query.value(6), FieldKind::Float);
        dish.interval = cellFromSql(query.value(7), FieldKind::Float);
        dish.period = cellFromSql(query.value(8), FieldKind::Float);
        card.append(dish);
    }
    return card;
}

QList<CardDish> cardForDiet(const QSqlDatabase& conn, const QString& branch, const QString& service,
                            const QString& diet, QDate date) {
    if (serviceKind(conn, branch, service) == u"N")
        return menuCard(conn, branch, service, QString::fromLatin1(kServiceCardDiet), date);
    if (diet.isEmpty())
        return {};
    QList<CardDish> card = menuCard(conn, branch, service, diet, date);
    if (!card.isEmpty())
        return card;
    QString group;
    {
        SqlStatement query(
            conn, QStringLiteral("SELECT CDDIETGRUP FROM DIETPADR WHERE CDDIETPAD = :DIET"),
            {{QStringLiteral("DIET"), diet}});
        if (query.next())
            group = text(query.query(), 0);
    }
    if (!group.isEmpty())
        return menuCard(conn, branch, service, group, date);
    return {};
}

Choice choiceFromCard(const CardDish& dish, QDate date) {
    Choice choice;
    choice.dishType = dish.dishType;
    choice.dishBranch = dish.dishBranch;
    choice.dish = dish.dish;
    choice.option = dish.option == u"S" ? QStringLiteral("S") : QStringLiteral("N");
    choice.chosen = choice.option == u"S" ? QStringLiteral("N") : QStringLiteral("S");
    choice.quantity =
        !dish.quantity.isNull() ? dish.quantity : QVariant(choice.chosen == u"S" ? 1.0 : 0.0);
    choice.consumption = dish.consumption;
    choice.interval = dish.interval;
    choice.period = dish.period;
    if (!dish.consumption.isNull()) {
        // The first consumption of the day, at the card's start time.
        const double hours = std::fmod(std::max(0.0, dish.consumption.toDouble()), 24.0);
        choice.consumptionDate =
            QDateTime(date, QTime(0, 0)).addSecs(qint64(std::llround(hours * 3600.0)));
    }
    return choice;
}

void insertChoices(const QSqlDatabase& conn, const DayRecordKey& key,
                   const QList<Choice>& choices) {
    const QVariantMap recordValues = keyValues(key);
    const QString lastSql = QStringLiteral(
        "SELECT MAX(CDSEQUCOPR) FROM CONFESCO WHERE CDFILIAL = :BRANCH AND CDPACIENTE = :PATIENT"
        " AND DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ");
    const QString insertSql = QStringLiteral(
        "INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR,"
        " CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF, DSOBSCONF, QTPRATCONF,"
        " HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF, IDRESTCONF) VALUES (:BRANCH, :PATIENT,"
        " :DAY, :SEQ, :CHOICE, :TYPE, :DISH, :DISHBRANCH, :CHOSEN, :OPTION, :REMARK, :QUANTITY,"
        " :CONSUMPTION, :INTERVAL, :PERIOD, :CONSUMPTIONDATE, :RESTRICTION) ON CONFLICT DO "
        "NOTHING");
    int next = lastNumber(conn, lastSql, recordValues) + 1;
    for (const Choice& choice : choices) {
        QVariantMap values = recordValues;
        values.insert(QStringLiteral("TYPE"), nullIfEmpty(choice.dishType));
        values.insert(QStringLiteral("DISH"), nullIfEmpty(choice.dish));
        values.insert(QStringLiteral("DISHBRANCH"), nullIfEmpty(choice.dishBranch));
        values.insert(QStringLiteral("CHOSEN"),
                      choice.chosen == u"S" ? QStringLiteral("S") : QStringLiteral("N"));
        values.insert(QStringLiteral("OPTION"),
                      choice.option == u"S" ? QStringLiteral("S") : QStringLiteral("N"));
        values.insert(QStringLiteral("REMARK"), choice.remark);
        values.insert(QStringLiteral("QUANTITY"), choice.quantity);
        values.insert(QStringLiteral("CONSUMPTION"), choice.consumption);
        values.insert(QStringLiteral("INTERVAL"), choice.interval);
        values.insert(QStringLiteral("PERIOD"), choice.period);
        values.insert(QStringLiteral("CONSUMPTIONDATE"), choice.consumptionDate);
        values.insert(QStringLiteral("RESTRICTION"),
                      choice.restriction.isEmpty() ? QStringLiteral("0") : choice.restriction);
        bool stored = false;
        for (int attempt = 0; attempt < maxClashRetries && !stored; ++attempt) {
            if (next > 9999)
                throw MethodError(QStringLiteral("O registro de dieta tem pratos demais."));
            values.insert(QStringLiteral("CHOICE"), formatSequence(next, kChoiceSequenceWidth));
            stored = SqlStatement(conn, insertSql, values).numRowsAffected() == 1;
            next = stored ? next + 1 : lastNumber(conn, lastSql, recordValues) + 1;
        }
        if (!stored)
            throw MethodError(
                QStringLiteral("Não foi possível numerar o prato escolhido. Tente novamente."));
    }
}

void deleteChoices(const QSqlDatabase& conn, const DayRecordKey& key) {
    const SqlStatement remove(
        conn,
        QStringLiteral("DELETE FROM CONFESCO WHERE CDFILIAL = :BRANCH AND CDPACIENTE = :PATIENT"
                       " AND DTSERVINTE = :DAY AND NRSEQUSERV = :SEQ"),
        keyValues(key));
}

int rebuildChoicesFromCard(const QSqlDatabase& conn, const DayRecord& record) {
    deleteChoices(conn, record.key);
    const QList<CardDish> card =
        cardForDiet(conn, record.key.branch, record.service, record.diet, record.key.date);
    QList<Choice> choices;
    choices.reserve(card.size());
    for (const CardDish& dish : card)
        choices.append(choiceFromCard(dish, record.key.date));
    insertChoices(conn, record.key, choices);
    return int(choices.size());
}

} // namespace dieta::server
