#pragma once
// The packets the main screen sends with its remote calls, built as the screen builds them, for
// tests and benchmarks that call the server without the screen.

#include "platform/datapacket.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace dieta::test {

// The lists of the screen's filter; "T" stands for all, "_A_B_" for codes A and B.
struct ListFilter {
    QString floors = QStringLiteral("T");
    QString wings = QStringLiteral("T");
    QString diagnoses = QStringLiteral("T");
    QString standards = QStringLiteral("T");
    QString patientType = QStringLiteral("T");
};

// cdsParams: the inpatient list's one row of parameters.
DataPacket listParams(const QString& branch, const QString& service, QDate day,
                      const ListFilter& filter = {});
// cdsInterAux of branch 0001, all marked: one row {patient, status, sequence} per patient.
DataPacket markedRows(const QList<QStringList>& rows, QDate day);
// The diet dialog's cdsConfescoDieta: "type|dishBranch|dish|chosen|quantity" per row.
DataPacket menuRows(const QStringList& dishes);

} // namespace dieta::test
