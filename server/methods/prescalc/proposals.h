#pragma once
// The day's proposed diet prescriptions of a branch: every inpatient staying on the day with no
// prescription for it gets the diet of its own record of the day before, or else the standard
// diet of the first of its stay's diagnoses that calls for one (DIAGDIET). A diet the stay's
// service does not allow (DIETSERV) is never proposed: the next source is tried instead, so
// that a written proposal is always one the prescription window can take over.

#include "platform/datapacket.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace dieta::server {

// Where a proposal comes from (IDORIGEM).
inline constexpr char16_t kOriginPreviousDay = u'A';
inline constexpr char16_t kOriginDiagnosis = u'D';

struct Proposal {
    QString patient;
    QDate admission;
    QString bed;
    QString patientName;
    QString service;
    QString serviceName;
    QString diet;
    QString dietName;
    QChar origin;
    QString diagnosis; // the diagnosis whose standard diet it is; "" for the day before
    QString diagnosisName;
};

// In bed order (stays without a bed first), then by name.
QList<Proposal> proposePrescriptions(const QSqlDatabase& conn, const QString& branch, QDate day);

// A stay's patient, bed and service as a proposal shows them (no diet yet); nullopt when the
// branch has no such stay.
std::optional<Proposal> describeStay(const QSqlDatabase& conn, const QString& branch,
                                     const QString& patient, QDate admission);

// The Portuguese text of an origin.
QString originText(QChar origin);

// The packet both methods answer: one row per proposal, ticked ("S" in IDCHECK).
QList<FieldDef> proposalFields();
Row proposalRow(const Proposal& proposal);

} // namespace dieta::server
