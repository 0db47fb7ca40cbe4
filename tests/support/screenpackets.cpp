#include "tests/support/screenpackets.h"

#include <QDateTime>

namespace dieta::test {

namespace {

FieldDef text(const char* name, int size) {
    return FieldDef{QString::fromLatin1(name), FieldKind::String, size};
}

} // namespace

DataPacket listParams(const QString& branch, const QString& service, QDate day,
                      const ListFilter& filter) {
    DataPacket params;
    params.fields = {text("CDSERPADDIE", 4000), text("CDALA", 4000),
                     text("CDANDAR", 4000),     text("CDDIAGNOST", 4000),
                     text("IDTIPOPACI", 5),     {"DTSERVINTE", FieldKind::Date},
                     text("CDSERVFILI", 5),     text("CDFILIAL", 4)};
    params.rows.append(Row{filter.standards, filter.wings, filter.floors, filter.diagnoses,
                           filter.patientType, day, service, branch});
    return params;
}

DataPacket markedRows(const QList<QStringList>& rows, QDate day) {
    DataPacket packet;
    packet.fields = {text("CDPACIENTE", 12), text("STPACIACOM", 1),
                     text("NRSEQUSERV", 2),  {"DTSERVINTE", FieldKind::DateTime},
                     text("CDFILIAL", 4),    text("IDCHECK", 1)};
    for (const QStringList& row : rows)
        packet.rows.append(Row{row.value(0), row.value(1),
                               row.value(2).isEmpty() ? QVariant() : QVariant(row.value(2)),
                               QDateTime(day, QTime(0, 0)), "0001", "S"});
    return packet;
}

DataPacket menuRows(const QStringList& dishes) {
    DataPacket packet;
    packet.fields = {
        text("IDESCOCONF", 1),           text("CDTIPOPRAT", 2),  text("CDPRATO", 10),
        text("CDFILAUXPRAT", 4),         text("DSOBSCONF", 250), text("IDOPCAOCONF", 1),
        {"QTPRATCONF", FieldKind::Float}};
    for (const QString& dish : dishes) {
        const QStringList part = dish.split(u'|');
        packet.rows.append(
            Row{part[3], part[0], part[2], part[1], QVariant(), "N", part[4].toDouble()});
    }
    return packet;
}

} // namespace dieta::test
