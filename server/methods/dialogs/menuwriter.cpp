#include "server/methods/dialogs/menuwriter.h"

#include "platform/sqldatabase.h"
#include "server/methods/methodsupport.h"

#include <QSqlError>

namespace dieta::server {

namespace {

// 17 values a row: 850 values a statement, under SQLite's oldest limit of 999.
constexpr int kRowsPerStatement = 50;

[[noreturn]] void fail(const QSqlQuery& query) {
    throw SqlError(
        QStringLiteral("menu write failed: %1").arg(query.lastError().text()).toStdString());
}

QString insertText(int rows) {
    QString text = QStringLiteral(
        "INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR,"
        " CDTIPOPRAT, CDPRATO, CDFILAUXPRAT, IDESCOCONF, IDOPCAOCONF, DSOBSCONF, QTPRATCONF,"
        " HRCONSCONF, HRINTECONF, HRPERICONF, DTCONSCONF, IDRESTCONF) VALUES ");
    const QString row = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            text += QStringLiteral(", ");
        text += row;
    }
    return text;
}

QSqlQuery prepared(const QSqlDatabase& conn, const QString& text) {
    QSqlQuery query(conn);
    query.setForwardOnly(true);
    if (!query.prepare(text))
        fail(query);
    return query;
}

} // namespace

QVariantList choiceColumns(const Choice& choice, int number) {
    return {formatSequence(number, kChoiceSequenceWidth),
            choice.dishType,
            choice.dish,
            choice.dishBranch,
            choice.chosen == u"S" ? QStringLiteral("S") : QStringLiteral("N"),
            choice.option == u"S" ? QStringLiteral("S") : QStringLiteral("N"),
            choice.remark,
            choice.quantity,
            choice.consumption,
            choice.interval,
            choice.period,
            choice.consumptionDate,
            choice.restriction.isEmpty() ? QStringLiteral("0") : choice.restriction};
}

void checkMenuSize(const QList<Choice>& choices) {
    if (choices.size() > 9999)
        throw MethodError(QStringLiteral("O registro de dieta tem pratos demais."));
}

MenuWriter::MenuWriter(const QSqlDatabase& conn) : conn_(conn) {}

QSqlQuery& MenuWriter::insertOf(int rows) {
    std::shared_ptr<QSqlQuery>& query = inserts_[rows];
    if (!query)
        query = std::make_shared<QSqlQuery>(prepared(conn_, insertText(rows)));
    return *query;
}

void MenuWriter::insertChunk(const DayRecordKey& key, const QList<Choice>& choices, qsizetype first,
                             int rows) {
    QSqlQuery& insert = insertOf(rows);
    int position = 0;
    for (qsizetype i = first; i < first + rows; ++i) {
        for (const QVariant& value : {QVariant(key.branch), QVariant(key.patient),
                                      QVariant(key.date), QVariant(key.sequence)})
            insert.bindValue(position++, value);
        for (const QVariant& value : choiceColumns(choices[i], int(i) + 1))
            insert.bindValue(position++, value);
    }
    if (!insert.exec())
        fail(insert);
}

void MenuWriter::write(const DayRecordKey& key, const QList<Choice>& choices) {
    checkMenuSize(choices);
    deleteChoices(conn_, key);
    insert(key, choices);
}

void MenuWriter::insert(const DayRecordKey& key, const QList<Choice>& choices) {
    checkMenuSize(choices);
    for (qsizetype first = 0; first < choices.size(); first += kRowsPerStatement)
        insertChunk(key, choices, first,
                    int(std::min<qsizetype>(kRowsPerStatement, choices.size() - first)));
}

} // namespace dieta::server
