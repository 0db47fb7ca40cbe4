#include "server/methods/mainscreen/restrictions.h"

#include "server/methods/methodsupport.h"

#include <QSqlQuery>

namespace dieta::server {

namespace {

QVariantMap stayValues(const Stay& stay) {
    return {{QStringLiteral("BRANCH"), stay.branch},
            {QStringLiteral("PATIENT"), stay.patient},
            {QStringLiteral("ADMISSION"), stay.admission}};
}

// A dish (CONFESCO's columns) touching the stay's restrictions or the day's medicines: one
// portion holds more of a nutrient than the interaction tolerates.
const QString touchesRestriction = QStringLiteral(
    "(EXISTS (SELECT 1 FROM PRATPROD PP JOIN RESTINTO R ON R.CDSUBGRPROD = PP.CDSUBGRPROD"
    " JOIN DIAGINTER DI ON DI.CDDIAGNOST = R.CDDIAGNOST WHERE PP.CDFILAUXPRAT ="
    " CONFESCO.CDFILAUXPRAT AND PP.CDPRATO = CONFESCO.CDPRATO AND DI.CDFILIAL = :BRANCH AND"
    " DI.CDPACIENTE = :PATIENT AND DI.DTINTERNA = :ADMISSION)"
    " OR EXISTS (SELECT 1 FROM PRATNUTR PT JOIN PRINNUTR PN ON PN.CDNUTRIENTE = PT.CDNUTRIENTE"
    " JOIN MEDIPRIN MP ON MP.CDPRINATIV = PN.CDPRINATIV JOIN MEDIINTE MI ON MI.CDMEDICAMENT ="
    " MP.CDMEDICAMENT WHERE PT.CDFILAUXPRAT = CONFESCO.CDFILAUXPRAT AND PT.CDPRATO ="
    " CONFESCO.CDPRATO AND PT.QTNUTRPORC > PN.QTLIMPORC AND MI.CDFILIAL = :BRANCH AND "
    "MI.CDPACIENTE ="
    " :PATIENT AND MI.DTINTERNA = :ADMISSION AND MI.DTINIMEDI <= :DAY AND (MI.DTFIMMEDI IS NULL"
    " OR MI.DTFIMMEDI >= :DAY)))");

} // namespace

int markRestrictions(const QSqlDatabase& conn, const Stay& stay, QDate date) {
    QVariantMap values = stayValues(stay);
    values.insert(QStringLiteral("DAY"), date);
    const QString records = QStringLiteral(
        "CONFESCO.CDFILIAL = :BRANCH AND CONFESCO.CDPACIENTE = :PATIENT AND CONFESCO.DTSERVINTE"
        " = :DAY AND CONFESCO.NRSEQUSERV IN (SELECT S.NRSEQUSERV FROM SERVINTE S WHERE"
        " S.CDFILIAL = :BRANCH AND S.CDPACIENTE = :PATIENT AND S.DTSERVINTE = :DAY AND"
        " S.STPACIACOM %1 '0')");
    const SqlStatement patient(
        conn,
        QStringLiteral("UPDATE CONFESCO SET IDRESTCONF = CASE WHEN %1 THEN '1' ELSE '0' END,"
                       " NRVERSAO = NRVERSAO + 1 WHERE %2")
            .arg(touchesRestriction, records.arg(QStringLiteral("="))),
        values);
    QVariantMap companionValues = values;
    companionValues.remove(QStringLiteral("ADMISSION"));
    const SqlStatement companion(
        conn,
        QStringLiteral("UPDATE CONFESCO SET IDRESTCONF = '0', NRVERSAO = NRVERSAO + 1 WHERE %1")
            .arg(records.arg(QStringLiteral("<>"))),
        companionValues);
    return patient.numRowsAffected() + companion.numRowsAffected();
}

DataPacket restrictionsPacket(const QSqlDatabase& conn, const Stay& stay, const QString& dishBranch,
                              const QString& dish) {
    QVariantMap values = stayValues(stay);
    QString dishCondition;
    if (!dish.isEmpty()) {
        dishCondition = QStringLiteral(
            " AND EXISTS (SELECT 1 FROM PRATPROD PP WHERE PP.CDFILAUXPRAT = :DISHBRANCH AND"
            " PP.CDPRATO = :DISH AND PP.CDSUBGRPROD = R.CDSUBGRPROD)");
        values.insert(QStringLiteral("DISHBRANCH"), dishBranch);
        values.insert(QStringLiteral("DISH"), dish);
    }
    SqlStatement query(
        conn,
        QStringLiteral("SELECT R.IDRESTINTO, SG.NMSUBGRPROD, DG.NMDIAGNOST FROM DIAGINTER DI"
                       " JOIN RESTINTO R ON R.CDDIAGNOST = DI.CDDIAGNOST"
                       " JOIN SUBGRPROD SG ON SG.CDSUBGRPROD = R.CDSUBGRPROD"
                       " JOIN DIAGNOST DG ON DG.CDDIAGNOST = DI.CDDIAGNOST"
                       " WHERE DI.CDFILIAL = :BRANCH AND DI.CDPACIENTE = :PATIENT AND"
                       " DI.DTINTERNA = :ADMISSION%1"
                       " ORDER BY DI.NRORDDIAG, SG.NMSUBGRPROD")
            .arg(dishCondition),
        values);
    return packetFromQuery(query.query(), {textField(QStringLiteral("IDRESTINTO"), 1),
                                           textField(QStringLiteral("NMSUBGRPROD"), 40),
                                           textField(QStringLiteral("NMDIAGNOST"), 250)});
}

DataPacket interactionsPacket(const QSqlDatabase& conn, const Stay& stay, QDate date,
                              const QString& dishBranch, const QString& dish) {
    QVariantMap values = stayValues(stay);
    values.insert(QStringLiteral("DAY"), date);
    QString dishCondition;
    if (!dish.isEmpty()) {
        dishCondition = QStringLiteral(
            " AND EXISTS (SELECT 1 FROM PRATNUTR PT WHERE PT.CDFILAUXPRAT = :DISHBRANCH AND"
            " PT.CDPRATO = :DISH AND PT.CDNUTRIENTE = PN.CDNUTRIENTE AND"
            " PT.QTNUTRPORC > PN.QTLIMPORC)");
        values.insert(QStringLiteral("DISHBRANCH"), dishBranch);
        values.insert(QStringLiteral("DISH"), dish);
    }
    SqlStatement query(
        conn,
        QStringLiteral("SELECT DISTINCT M.NMMEDICAMENT, PA.NMPRINATIV, N.NMNUTRIENTE"
                       " FROM MEDIINTE MI JOIN MEDICAMENT M ON M.CDMEDICAMENT = MI.CDMEDICAMENT"
                       " JOIN MEDIPRIN MP ON MP.CDMEDICAMENT = MI.CDMEDICAMENT"
                       " JOIN PRINATIV PA ON PA.CDPRINATIV = MP.CDPRINATIV"
                       " JOIN PRINNUTR PN ON PN.CDPRINATIV = MP.CDPRINATIV"
                       " JOIN NUTRIENTE N ON N.CDNUTRIENTE = PN.CDNUTRIENTE"
                       " WHERE MI.CDFILIAL = :BRANCH AND MI.CDPACIENTE = :PATIENT AND"
                       " MI.DTINTERNA = :ADMISSION AND MI.DTINIMEDI <= :DAY AND"
                       " (MI.DTFIMMEDI IS NULL OR MI.DTFIMMEDI >= :DAY)%1"
                       " ORDER BY M.NMMEDICAMENT, PA.NMPRINATIV, N.NMNUTRIENTE")
            .arg(dishCondition),
        values);
    return packetFromQuery(query.query(), {textField(QStringLiteral("NMMEDICAMENT"), 150),
                                           textField(QStringLiteral("NMPRINATIV"), 60),
                                           textField(QStringLiteral("NMNUTRIENTE"), 20)});
}

} // namespace dieta::server
