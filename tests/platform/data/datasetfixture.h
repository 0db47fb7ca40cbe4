#pragma once
// A small inpatient list shared by the dataset suites.
#include "platform/tclientdataset.h"

#include <QStringList>

namespace dieta::test {

inline DataPacket inpatients() {
    DataPacket packet;
    packet.fields = {{"CDPACIENTE", FieldKind::String, 12}, {"NMPACIENTE", FieldKind::String, 80},
                     {"CDLEITO", FieldKind::String, 12},    {"DTINTERNA", FieldKind::DateTime},
                     {"STPACIACOM", FieldKind::String, 1},  {"QTPRATCONF", FieldKind::Float}};
    const auto row = [](const char* code, const char* name, const char* bed, QDate date,
                        const char* kind, double quantity) {
        return Row{QString(code), QString::fromUtf8(name),
                   QString(bed),  QDateTime(date, QTime(10, 30)),
                   QString(kind), quantity};
    };
    packet.rows = {row("P3", "Maria", "103", QDate(2026, 12, 7), "0", 1),
                   row("P1", "João", "101", QDate(2026, 12, 7), "0", 2),
                   row("P2", "O'Brien", "102", QDate(2026, 12, 6), "1", 0),
                   row("P4", "Ana", "104", QDate(2026, 12, 5), "0", 3.5)};
    return packet;
}

// Names of a column, in cursor order.
inline QStringList column(TClientDataSet& ds, const QString& field) {
    QStringList values;
    for (int row = 0; row < ds.ViewCount(); ++row)
        values.append(ds.RowValue(row, ds.FieldByName(field)).toString());
    return values;
}

} // namespace dieta::test
