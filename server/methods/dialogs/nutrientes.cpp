// Nutrient totals of an inpatient's chosen dishes on a day, and the energy they give.

#include "server/methods/dialogs/handlers.h"
#include "server/methods/domain.h"
#include "server/methods/methodsupport.h"

#include <QSqlQuery>

namespace dieta::server {

namespace {

// kcal per gram of each energy share (IDMACRONUT).
double kcalPerGram(const QString& share) {
    if (share == u"P" || share == u"C")
        return 4.0;
    if (share == u"L")
        return 9.0;
    if (share == u"A")
        return 7.0;
    return 0.0;
}

double gramsPerUnit(const QString& unit) {
    if (unit.compare(u"mg", Qt::CaseInsensitive) == 0)
        return 0.001;
    if (unit.compare(u"mcg", Qt::CaseInsensitive) == 0 ||
        unit.compare(u"µg", Qt::CaseInsensitive) == 0)
        return 0.000001;
    return 1.0;
}

} // namespace

// The service may be a service group; the nutrient group is "T" for all. Answer: [totals, protein
// kcal, carbohydrate kcal, lipid kcal, alcohol kcal]. The energy counts every nutrient of a share,
// whatever the group and list chosen for display: the total caloric value is the menu's, not the
// listed nutrients'.
CallResult getCalcNutriente(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
        const QString patient =
            checkedCode(call.text("patient").trimmed(), 12, QStringLiteral("Paciente"));
        const QString code =
            checkedCode(call.text("service").trimmed(), 5, QStringLiteral("Serviço"));
        const QDate day = call.date("day");
        const QString groupText = call.text("nutrientGroup").trimmed();
        const QString group = groupText == u"T"
                                  ? QString()
                                  : checkedCode(groupText, 2, QStringLiteral("Grupo de nutriente"));
        // "_" is the list of a group without nutrients: it names none.
        const QString listText = call.text("nutrients").trimmed();
        const CodeList nutrients = listText == u"_"
                                       ? CodeList{false, {}}
                                       : parseCodeList(listText, QStringLiteral("Nutriente"), 3);
        if (patient.isEmpty())
            throw MethodError(QStringLiteral("Paciente deve ser informado."));
        if (!day.isValid())
            throw MethodError(QStringLiteral("Data deve ser informada."));
        if (code.isEmpty())
            throw MethodError(QStringLiteral("Serviço deve ser informado."));
        const QStringList services = servicesOf(conn, branch, code);
        if (services.isEmpty())
            throw MethodError(
                QStringLiteral("Serviço %1 não cadastrado na filial %2.").arg(code, branch));

        // A chosen dish counts its portions when above zero, else one portion. Only the
        // patient's own records: a companion's meals are not the patient's intake.
        QVariantMap values{{QStringLiteral("FILIAL"), branch},
                           {QStringLiteral("PACIENTE"), patient},
                           {QStringLiteral("DIA"), day}};
        const QString serviceCondition =
            inCondition(QStringLiteral("S.CDSERVFILI"), services, QStringLiteral("SRV"), values);
        SqlStatement query(
            conn,
            QStringLiteral(
                "SELECT N.CDNUTRIENTE, N.NMNUTRIENTE, N.CDGRUPNUTR, N.IDMACRONUT, N.NMUNIDADE,"
                " T.TOTAL FROM NUTRIENTE N LEFT JOIN ("
                "  SELECT PN.CDNUTRIENTE, SUM(CASE WHEN C.QTPRATCONF > 0 THEN C.QTPRATCONF"
                "   ELSE 1 END * PN.QTNUTRPORC) AS TOTAL"
                "  FROM SERVINTE S JOIN CONFESCO C ON C.CDFILIAL = S.CDFILIAL"
                "   AND C.CDPACIENTE = S.CDPACIENTE AND C.DTSERVINTE = S.DTSERVINTE"
                "   AND C.NRSEQUSERV = S.NRSEQUSERV"
                "  JOIN PRATNUTR PN ON PN.CDFILAUXPRAT = C.CDFILAUXPRAT AND PN.CDPRATO = C.CDPRATO"
                "  WHERE S.CDFILIAL = :FILIAL AND S.CDPACIENTE = :PACIENTE AND S.DTSERVINTE = :DIA"
                "   AND S.STPACIACOM = '0' AND C.IDESCOCONF = 'S'%1"
                "  GROUP BY PN.CDNUTRIENTE) T ON T.CDNUTRIENTE = N.CDNUTRIENTE"
                " ORDER BY N.CDNUTRIENTE")
                .arg(serviceCondition),
            values);

        DataPacket totals;
        totals.fields = {floatField(QStringLiteral("TOTAL")),
                         textField(QStringLiteral("CDNUTRIENTE"), 3),
                         textField(QStringLiteral("NUTRIENTE"), 28)};
        double protein = 0, carbohydrate = 0, lipid = 0, alcohol = 0;
        while (query.next()) {
            const QString nutrient = query.value(0).toString();
            const double total = query.value(5).isNull() ? 0.0 : query.value(5).toDouble();
            const QString share = query.value(3).toString();
            const double kcal =
                total * gramsPerUnit(query.value(4).toString()) * kcalPerGram(share);
            if (share == u"P")
                protein += kcal;
            else if (share == u"C")
                carbohydrate += kcal;
            else if (share == u"L")
                lipid += kcal;
            else if (share == u"A")
                alcohol += kcal;
            if ((group.isEmpty() || query.value(2).toString() == group) &&
                nutrients.contains(nutrient))
                totals.rows.append(Row{roundedTotal(total), nutrient, query.value(1).toString()});
        }
        return CallResult::ok(QVariantList{fromPacket(totals), roundedShare(protein),
                                           roundedShare(carbohydrate), roundedShare(lipid),
                                           roundedShare(alcohol)});
    });
}

} // namespace dieta::server
