// The main screen's reading methods: the inpatient list, the stays' diagnoses, the service's
// standard configuration, a record's menu choices, a diet's menu card and the restriction view.

#include "platform/wiredate.h"
#include "platform/wirevalue.h"
#include "server/methods/dayrecords.h"
#include "server/methods/inpatientlist.h"
#include "server/methods/mainscreenhandlers.h"
#include "server/methods/methodsupport.h"
#include "server/methods/restrictions.h"
#include "server/storage/schema.h"

#include <QSqlQuery>

namespace dieta::server {

namespace {

// Lists of past dates still show the diagnoses of stays that ended this long ago.
constexpr int diagnosisHistoryDays = 90;

QString branchArg(const QVariantList& args, int index) {
    return checkedCode(argText(args, index), 4, QStringLiteral("Filial"));
}

QString serviceArg(const QVariantList& args, int index) {
    return checkedCode(argText(args, index), 5, QStringLiteral("Serviço"));
}

QDate requiredDate(const QVariantList& args, int index) {
    const QDate date = argDate(args, index);
    if (!date.isValid())
        throw MethodError(QStringLiteral("Data deve ser informada."));
    return date;
}

QList<FieldDef> cardFields() {
    return {
        textField(QStringLiteral("CDFILAUXPRAT"), 4), textField(QStringLiteral("CDPRATO"), 10),
        textField(QStringLiteral("CDTIPOPRAT"), 2),   floatField(QStringLiteral("NRORDPRATCAR")),
        textField(QStringLiteral("NMPRATO"), 40),     textField(QStringLiteral("NMTIPOPRAT"), 15),
        textField(QStringLiteral("IDOPCCNFMES"), 1)};
}

} // namespace

QList<FieldDef> choiceFields() {
    return {textField(QStringLiteral("CDFILIAL"), 4, true),
            textField(QStringLiteral("NMTIPOPRAT"), 15, true),
            textField(QStringLiteral("NMPRATO"), 40),
            textField(QStringLiteral("DSOBSCONF"), 255),
            textField(QStringLiteral("CDPACIENTE"), 12, true),
            dateTimeField(QStringLiteral("DTSERVINTE"), true),
            textField(QStringLiteral("IDESCOCONF"), 1, true),
            textField(QStringLiteral("NRSEQUSERV"), 2, true),
            textField(QStringLiteral("CDPRATO"), 10, true),
            textField(QStringLiteral("CDTIPOPRAT"), 2, true),
            textField(QStringLiteral("IDOPCAOCONF"), 1, true),
            textField(QStringLiteral("CDFILAUXPRAT"), 4, true),
            textField(QStringLiteral("CDSEQUCOPR"), 4, true),
            floatField(QStringLiteral("HRINTECONF"), true),
            floatField(QStringLiteral("HRPERICONF"), true),
            floatField(QStringLiteral("HRCONSCONF"), true),
            dateTimeField(QStringLiteral("DTCONSCONF"), true),
            textField(QStringLiteral("IDRESTCONF"), 1, true),
            floatField(QStringLiteral("QTPRATCONF"))};
}

CallResult getInternacao(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        const DataPacket params = requirePacket(args, 0, QStringLiteral("Pacote de parâmetros"));
        return CallResult::ok(fromPacket(buildInpatientList(conn, params)));
    });
}

CallResult getDiagInter(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        const QString branch = branchArg(args, 0);
        QSqlQuery query = execSql(
            conn,
            QStringLiteral(
                "SELECT DI.CDPACIENTE, DI.DTINTERNA, DG.NMDIAGNOST FROM INTERNA I"
                " JOIN DIAGINTER DI ON DI.CDFILIAL = I.CDFILIAL AND DI.CDPACIENTE ="
                " I.CDPACIENTE AND DI.DTINTERNA = I.DTINTERNA"
                " JOIN DIAGNOST DG ON DG.CDDIAGNOST = DI.CDDIAGNOST"
                " WHERE I.CDFILIAL = :BRANCH AND (I.DTALTA IS NULL OR I.DTALTA >= :SINCE)"
                " ORDER BY I.CDPACIENTE, I.DTINTERNA, DI.NRORDDIAG"),
            {{QStringLiteral("BRANCH"), branch},
             {QStringLiteral("SINCE"), QDate::currentDate().addDays(-diagnosisHistoryDays)}});
        DataPacket packet;
        packet.fields = {textField(QStringLiteral("CDPACIENTE"), 12),
                         textField(QStringLiteral("DTINTERNA"), 10),
                         textField(QStringLiteral("NMDIAGNOST"), 250)};
        packet.fields[1].readOnly = true;
        while (query.next()) {
            const QDate admission = cellFromSql(query.value(1), FieldKind::Date).toDate();
            packet.rows.append(
                {query.value(0).toString(), formatShortDate(admission), query.value(2).toString()});
        }
        return CallResult::ok(fromPacket(packet));
    });
}

CallResult getConfCard(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        QSqlQuery query = execSql(
            conn,
            QStringLiteral("SELECT CC.CDTIPOPRAT, CC.NRSEQCNFCARD, CC.CDFILIAL, CC.CDSERVFILI,"
                           " TP.NMTIPOPRAT FROM CONFCARD CC LEFT JOIN TIPOPRAT TP ON"
                           " TP.CDTIPOPRAT = CC.CDTIPOPRAT WHERE CC.CDFILIAL = :BRANCH AND"
                           " CC.CDSERVFILI = :SERVICE ORDER BY CC.NRSEQCNFCARD, CC.CDTIPOPRAT"),
            {{QStringLiteral("BRANCH"), branchArg(args, 0)},
             {QStringLiteral("SERVICE"), serviceArg(args, 1)}});
        return CallResult::ok(fromPacket(packetFromQuery(
            query,
            {textField(QStringLiteral("CDTIPOPRAT"), 2), floatField(QStringLiteral("NRSEQCNFCARD")),
             textField(QStringLiteral("CDFILIAL"), 4), textField(QStringLiteral("CDSERVFILI"), 5),
             textField(QStringLiteral("NMTIPOPRAT"), 15)})));
    });
}

CallResult getConfesco(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        const QString branch = branchArg(args, 0);
        const QString patient = checkedCode(argText(args, 1), 12, QStringLiteral("Paciente"));
        const QString sequence = checkedCode(argText(args, 3), 2, QStringLiteral("Sequência"));
        const QDate date = argDate(args, 2);
        if (sequence.isEmpty() || !date.isValid()) {
            DataPacket empty;
            empty.fields = choiceFields();
            return CallResult::ok(fromPacket(empty));
        }
        // Dish-type order is the service's standard configuration; types it lacks go last.
        QSqlQuery query = execSql(
            conn,
            QStringLiteral(
                "SELECT C.CDFILIAL, TP.NMTIPOPRAT, PR.NMPRATO, C.DSOBSCONF, C.CDPACIENTE,"
                " C.DTSERVINTE, C.IDESCOCONF, C.NRSEQUSERV, C.CDPRATO, C.CDTIPOPRAT,"
                " C.IDOPCAOCONF, C.CDFILAUXPRAT, C.CDSEQUCOPR, C.HRINTECONF, C.HRPERICONF,"
                " C.HRCONSCONF, C.DTCONSCONF, C.IDRESTCONF, C.QTPRATCONF FROM CONFESCO C"
                " LEFT JOIN TIPOPRAT TP ON TP.CDTIPOPRAT = C.CDTIPOPRAT"
                " LEFT JOIN PRATO PR ON PR.CDFILAUXPRAT = C.CDFILAUXPRAT AND PR.CDPRATO = C.CDPRATO"
                " LEFT JOIN SERVINTE S ON S.CDFILIAL = C.CDFILIAL AND S.CDPACIENTE = C.CDPACIENTE"
                " AND S.DTSERVINTE = C.DTSERVINTE AND S.NRSEQUSERV = C.NRSEQUSERV"
                " LEFT JOIN CONFCARD CC ON CC.CDFILIAL = C.CDFILIAL AND CC.CDSERVFILI ="
                " S.CDSERVFILI AND CC.CDTIPOPRAT = C.CDTIPOPRAT"
                " WHERE C.CDFILIAL = :BRANCH AND C.CDPACIENTE = :PATIENT AND C.DTSERVINTE = :DAY"
                " AND C.NRSEQUSERV = :SEQ"
                " ORDER BY COALESCE(CC.NRSEQCNFCARD, 9999), C.CDTIPOPRAT, C.CDSEQUCOPR"),
            {{QStringLiteral("BRANCH"), branch},
             {QStringLiteral("PATIENT"), patient},
             {QStringLiteral("DAY"), date},
             {QStringLiteral("SEQ"), sequence}});
        return CallResult::ok(fromPacket(packetFromQuery(query, choiceFields())));
    });
}

CallResult getCompCard(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        const QString branch = branchArg(args, 0);
        const QString service = serviceArg(args, 1);
        const QString diet = checkedCode(argText(args, 2), 4, QStringLiteral("Dieta"));
        const QDate date = requiredDate(args, 3);
        // The service's own kind decides; the caller's is used for a service it does not know.
        QString kind = serviceKind(conn, branch, service);
        if (kind.isEmpty())
            kind = argText(args, 4);
        const QString cardCode = kind == u"N" ? QString::fromLatin1(kServiceCardDiet) : diet;
        DataPacket packet;
        packet.fields = cardFields();
        if (cardCode.isEmpty())
            return CallResult::ok(fromPacket(packet));
        QSqlQuery query = execSql(
            conn,
            QStringLiteral(
                "SELECT C.CDFILAUXPRAT, C.CDPRATO, C.CDTIPOPRAT, C.NRORDPRATCAR, PR.NMPRATO,"
                " TP.NMTIPOPRAT, C.IDOPCCNFMES FROM COMPCARD C"
                " LEFT JOIN PRATO PR ON PR.CDFILAUXPRAT = C.CDFILAUXPRAT AND PR.CDPRATO = C.CDPRATO"
                " LEFT JOIN TIPOPRAT TP ON TP.CDTIPOPRAT = C.CDTIPOPRAT"
                " LEFT JOIN CONFCARD CC ON CC.CDFILIAL = C.CDFILIAL AND CC.CDSERVFILI ="
                " C.CDSERVFILI AND CC.CDTIPOPRAT = C.CDTIPOPRAT"
                " WHERE C.CDFILIAL = :BRANCH AND C.CDSERVFILI = :SERVICE AND C.CDDIETCARD = :CARD"
                " AND C.DTCOMPCARD = :DAY"
                " ORDER BY COALESCE(CC.NRSEQCNFCARD, 9999), C.CDTIPOPRAT, C.NRORDPRATCAR,"
                " C.CDPRATO"),
            {{QStringLiteral("BRANCH"), branch},
             {QStringLiteral("SERVICE"), service},
             {QStringLiteral("CARD"), cardCode},
             {QStringLiteral("DAY"), date}});
        return CallResult::ok(fromPacket(packetFromQuery(query, cardFields())));
    });
}

CallResult gerVisuaRestInto(CallContext& context, QVariantList& args) {
    return runRead(context, [&](QSqlDatabase& conn) {
        const QString branch = branchArg(args, 0);
        const QString patient = checkedCode(argText(args, 1), 12, QStringLiteral("Paciente"));
        const QDate date = requiredDate(args, 2);
        const QString dish = checkedCode(argText(args, 5), 10, QStringLiteral("Prato"));
        const QString dishBranch =
            checkedCode(argText(args, 6), 4, QStringLiteral("Filial do prato"));
        const QDate admission = argDate(args, 7);
        std::optional<Stay> stay = activeStay(conn, context.db->engine(), branch, patient, date);
        if (admission.isValid() && (!stay || stay->admission != admission)) {
            // A list of a past date names a stay that is no longer the active one.
            stay = Stay{branch, patient, admission, {}, {}, {}, false};
        }
        if (!stay)
            throw MethodError(QStringLiteral("Internação do paciente não encontrada."));
        // The dish arguments go back as they came.
        args[5] = dish;
        args[6] = dishBranch;
        return CallResult::ok(
            QVariantList{fromPacket(restrictionsPacket(conn, *stay, dishBranch, dish)),
                         fromPacket(interactionsPacket(conn, *stay, date, dishBranch, dish))});
    });
}

} // namespace dieta::server
