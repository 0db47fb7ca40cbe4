#pragma once
// Whole menus of many day records written inside one transaction (a diet set for every marked
// inpatient, records duplicated): the multi-row INSERT is prepared once per writer and run for
// every record with positional values, instead of building and preparing a statement of
// hundreds of placeholders per record; the DELETE is a kept statement of the connection.

#include "server/methods/dayrecords.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <memory>

namespace dieta::server {

// The values of a choice's columns from CDSEQUCOPR to IDRESTCONF, in the table's order, as
// every menu write stores them; `number` is its place in the menu, from 1.
QVariantList choiceColumns(const Choice& choice, int number);
// MethodError for a menu of more than 9,999 dishes (CDSEQUCOPR has four digits).
void checkMenuSize(const QList<Choice>& choices);

class MenuWriter {
public:
    explicit MenuWriter(const QSqlDatabase& conn);
    MenuWriter(const MenuWriter&) = delete;
    MenuWriter& operator=(const MenuWriter&) = delete;

    // Replaces the record's choices with `choices`, numbered "0001"... in order. Throws
    // MethodError for more than 9,999 dishes, SqlError when a statement fails.
    void write(const DayRecordKey& key, const QList<Choice>& choices);
    // The same for a record known to have no choices: no DELETE.
    void insert(const DayRecordKey& key, const QList<Choice>& choices);

private:
    QSqlQuery& insertOf(int rows);
    void insertChunk(const DayRecordKey& key, const QList<Choice>& choices, qsizetype first,
                     int rows);

    QSqlDatabase conn_;
    QHash<int, std::shared_ptr<QSqlQuery>> inserts_; // by the number of rows they insert
};

} // namespace dieta::server
