#include "server/methods/prescalc/proposals.h"

#include "server/methods/methodsupport.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace dieta::server {

namespace {

QString text(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}

QDate date(const QSqlQuery& query, int column) {
    return cellFromSql(query.value(column), FieldKind::Date).toDate();
}

QString stayKey(const QString& patient, QDate admission) {
    return patient + u'|' + admission.toString(Qt::ISODate);
}

// The stay's columns of a proposal, over INTERNA I, PACIENTE P and SERVICO S.
const char* const kStaySelect =
    "SELECT I.CDPACIENTE, I.DTINTERNA, I.CDLEITO, P.NMPACIENTE, I.CDSERVFILI, S.NMSERVICO"
    " FROM INTERNA I"
    " JOIN PACIENTE P ON P.CDPACIENTE = I.CDPACIENTE"
    " JOIN SERVICO S ON S.CDFILIAL = I.CDFILIAL AND S.CDSERVFILI = I.CDSERVFILI";

QList<Proposal> readStays(const QSqlDatabase& conn, const QString& condition,
                          const QVariantMap& values) {
    SqlStatement query(conn, QString::fromLatin1(kStaySelect) + condition, values);
    QList<Proposal> stays;
    while (query.next()) {
        Proposal stay;
        stay.patient = text(query.query(), 0);
        stay.admission = date(query.query(), 1);
        stay.bed = text(query.query(), 2);
        stay.patientName = text(query.query(), 3);
        stay.service = text(query.query(), 4);
        stay.serviceName = text(query.query(), 5);
        stays.append(stay);
    }
    return stays;
}

// Stays of the branch on the day without a prescription for it, in services that serve diets.
QList<Proposal> staysWithoutPrescription(const QSqlDatabase& conn, const QString& branch,
                                         QDate day) {
    return readStays(
        conn,
        QStringLiteral(" WHERE I.CDFILIAL = :FILIAL AND I.DTINTERNA <= :DIA"
                       " AND (I.DTALTA IS NULL OR I.DTALTA >= :DIA)"
                       " AND (S.IDTPSERVHOSP IS NULL OR S.IDTPSERVHOSP NOT IN ('1', '2'))"
                       " AND NOT EXISTS (SELECT 1 FROM PRESDIET R WHERE R.CDFILIAL = I.CDFILIAL"
                       " AND R.CDPACIENTE = I.CDPACIENTE AND R.DTINTERNA = I.DTINTERNA"
                       " AND R.DTPRESDIET = :DIA)"
                       " ORDER BY COALESCE(I.CDLEITO, ''), P.NMPACIENTE, I.CDPACIENTE"),
        {{QStringLiteral("FILIAL"), branch}, {QStringLiteral("DIA"), day}});
}

// The diet of each patient's first record of the day (patient, not companion) that has one.
QHash<QString, QString> dietsOfDay(const QSqlDatabase& conn, const QString& branch, QDate day) {
    SqlStatement query(conn,
                       QStringLiteral("SELECT CDPACIENTE, CDDIETPAD FROM SERVINTE"
                                      " WHERE CDFILIAL = :FILIAL AND DTSERVINTE = :DIA"
                                      " AND STPACIACOM = '0' AND CDDIETPAD IS NOT NULL"
                                      " ORDER BY CDPACIENTE, NRSEQUSERV"),
                       {{QStringLiteral("FILIAL"), branch}, {QStringLiteral("DIA"), day}});
    QHash<QString, QString> diets;
    while (query.next())
        if (!diets.contains(text(query.query(), 0)))
            diets.insert(text(query.query(), 0), text(query.query(), 1));
    return diets;
}

struct DiagnosisDiet {
    QString diagnosis;
    QString diagnosisName;
    QString diet;
};

// Per stay, its diagnoses that call for a standard diet, in the stay's order.
QHash<QString, QList<DiagnosisDiet>> diagnosisDiets(const QSqlDatabase& conn,
                                                    const QString& branch) {
    SqlStatement query(
        conn,
        QStringLiteral("SELECT D.CDPACIENTE, D.DTINTERNA, D.CDDIAGNOST, N.NMDIAGNOST, G.CDDIETPAD"
                       " FROM DIAGINTER D"
                       " JOIN DIAGDIET G ON G.CDDIAGNOST = D.CDDIAGNOST"
                       " LEFT JOIN DIAGNOST N ON N.CDDIAGNOST = D.CDDIAGNOST"
                       " WHERE D.CDFILIAL = :FILIAL"
                       " ORDER BY D.CDPACIENTE, D.DTINTERNA, D.NRORDDIAG"),
        {{QStringLiteral("FILIAL"), branch}});
    QHash<QString, QList<DiagnosisDiet>> byStay;
    while (query.next())
        byStay[stayKey(text(query.query(), 0), date(query.query(), 1))].append(
            {text(query.query(), 2), text(query.query(), 3), text(query.query(), 4)});
    return byStay;
}

// "service|diet" of every diet the branch's services allow.
QSet<QString> allowedDiets(const QSqlDatabase& conn, const QString& branch) {
    SqlStatement query(
        conn, QStringLiteral("SELECT CDSERVFILI, CDDIETPAD FROM DIETSERV WHERE CDFILIAL = :FILIAL"),
        {{QStringLiteral("FILIAL"), branch}});
    QSet<QString> allowed;
    while (query.next())
        allowed.insert(text(query.query(), 0) + u'|' + text(query.query(), 1));
    return allowed;
}

QHash<QString, QString> dietNames(const QSqlDatabase& conn) {
    SqlStatement query(conn, QStringLiteral("SELECT CDDIETPAD, DSDIETPAD FROM DIETPADR"),
                       QVariantMap());
    QHash<QString, QString> names;
    while (query.next())
        names.insert(text(query.query(), 0), text(query.query(), 1));
    return names;
}

} // namespace

QList<Proposal> proposePrescriptions(const QSqlDatabase& conn, const QString& branch, QDate day) {
    const QDate dayBefore = day.addDays(-1);
    const QHash<QString, QString> previous = dietsOfDay(conn, branch, dayBefore);
    const QHash<QString, QList<DiagnosisDiet>> byDiagnosis = diagnosisDiets(conn, branch);
    const QSet<QString> allowed = allowedDiets(conn, branch);
    const QHash<QString, QString> names = dietNames(conn);
    auto isAllowed = [&](const Proposal& stay, const QString& diet) {
        return !diet.isEmpty() && allowed.contains(stay.service + u'|' + diet);
    };

    QList<Proposal> proposals;
    for (Proposal stay : staysWithoutPrescription(conn, branch, day)) {
        // The day before counts only within this stay: a record of an earlier stay is another
        // illness's diet.
        const QString before =
            stay.admission <= dayBefore ? previous.value(stay.patient) : QString();
        if (isAllowed(stay, before)) {
            stay.diet = before;
            stay.origin = kOriginPreviousDay;
        } else {
            for (const DiagnosisDiet& link :
                 byDiagnosis.value(stayKey(stay.patient, stay.admission)))
                if (isAllowed(stay, link.diet)) {
                    stay.diet = link.diet;
                    stay.origin = kOriginDiagnosis;
                    stay.diagnosis = link.diagnosis;
                    stay.diagnosisName = link.diagnosisName;
                    break;
                }
        }
        if (stay.diet.isEmpty())
            continue;
        stay.dietName = names.value(stay.diet);
        proposals.append(stay);
    }
    return proposals;
}

std::optional<Proposal> describeStay(const QSqlDatabase& conn, const QString& branch,
                                     const QString& patient, QDate admission) {
    const QList<Proposal> stays =
        readStays(conn,
                  QStringLiteral(" WHERE I.CDFILIAL = :FILIAL AND I.CDPACIENTE = :PACIENTE"
                                 " AND I.DTINTERNA = :INTERNA"),
                  {{QStringLiteral("FILIAL"), branch},
                   {QStringLiteral("PACIENTE"), patient},
                   {QStringLiteral("INTERNA"), admission}});
    return stays.isEmpty() ? std::nullopt : std::optional<Proposal>(stays.constFirst());
}

QString originText(QChar origin) {
    if (origin == kOriginPreviousDay)
        return QStringLiteral("Dieta do dia anterior");
    if (origin == kOriginDiagnosis)
        return QStringLiteral("Dieta padrão do diagnóstico");
    return {};
}

QList<FieldDef> proposalFields() {
    return {textField(QStringLiteral("IDCHECK"), 1),
            textField(QStringLiteral("CDPACIENTE"), 12, true),
            dateTimeField(QStringLiteral("DTINTERNA"), true),
            textField(QStringLiteral("CDLEITO"), 12),
            textField(QStringLiteral("NMPACIENTE"), 80),
            textField(QStringLiteral("CDSERVFILI"), 5, true),
            textField(QStringLiteral("NMSERVICO"), 40),
            textField(QStringLiteral("CDDIETPAD"), 4, true),
            textField(QStringLiteral("DSDIETPAD"), 50),
            textField(QStringLiteral("IDORIGEM"), 1, true),
            textField(QStringLiteral("DSORIGEM"), 40),
            textField(QStringLiteral("CDDIAGNOST"), 10, true),
            textField(QStringLiteral("NMDIAGNOST"), 250)};
}

Row proposalRow(const Proposal& p) {
    auto orNull = [](const QString& value) { return value.isEmpty() ? QVariant() : value; };
    return Row{QStringLiteral("S"),
               p.patient,
               QDateTime(p.admission, QTime(0, 0)),
               orNull(p.bed),
               p.patientName,
               p.service,
               p.serviceName,
               p.diet,
               p.dietName,
               QString(p.origin),
               originText(p.origin),
               orNull(p.diagnosis),
               orNull(p.diagnosisName)};
}

} // namespace dieta::server
