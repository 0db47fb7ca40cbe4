// The main screen's reading methods: the inpatient list, the stays' diagnoses, the service's
// standard configuration, a record's menu choices, a diet's menu card and the restriction view.

#include "platform/packetstream.h"
#include "platform/wirevalue.h"
#include "server/methods/answercache.h"
#include "server/methods/dayrecords.h"
#include "server/methods/inpatientlist.h"
#include "server/methods/mainscreen/handlers.h"
#include "server/methods/mainscreen/restrictions.h"
#include "server/methods/mainscreen/staydiagnoses.h"
#include "server/methods/methodsupport.h"
#include "server/storage/schema.h"

#include <QSqlQuery>

namespace dieta::server {

namespace {

// Lists of past dates still show the diagnoses of stays that ended this long ago.
constexpr int diagnosisHistoryDays = 90;

QString branchArg(const MethodCall& call) {
    return checkedCode(call.text("branch"), 4, QStringLiteral("Filial"));
}

QString serviceArg(const MethodCall& call) {
    return checkedCode(call.text("service"), 5, QStringLiteral("Serviço"));
}

QDate requiredDate(const MethodCall& call, const char* name) {
    const QDate date = call.date(name);
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

CallResult getInternacao(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const DataPacket params =
            call.requirePacket("params", QStringLiteral("Pacote de parâmetros"));
        return CallResult::ok(inpatientListResult(conn, params));
    });
}

// Asked on every list load for the whole branch, and changed only by admissions, discharges and
// new diagnoses: kept while its three tables are unchanged.
CallResult getDiagInter(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = branchArg(call);
        const QDate since = QDate::currentDate().addDays(-diagnosisHistoryDays);
        SqlDatabase& db = *call.context().db;
        const auto read = [&] {
            QList<FieldDef> fields{textField(QStringLiteral("CDPACIENTE"), 12),
                                   textField(QStringLiteral("DTINTERNA"), 10),
                                   textField(QStringLiteral("NMDIAGNOST"), 250)};
            fields[1].readOnly = true;
            PacketStream packet(fields);
            writeStayDiagnoses(conn, db.engine(), branch, since, packet);
            const qsizetype count = packet.rowCount();
            return EncodedPacket{packet.finish(), count};
        };
        return CallResult::ok(QVariant::fromValue(AnswerCache::shared().answer(
            conn, QStringLiteral("GetDiagInter|%1|%2").arg(branch, since.toString(Qt::ISODate)),
            {QStringLiteral("INTERNA"), QStringLiteral("DIAGINTER"), QStringLiteral("DIAGNOST")},
            read)));
    });
}

// Asked on every change of service, and changed only when the cards are configured: kept
// while its two tables are unchanged.
CallResult getConfCard(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = branchArg(call);
        const QString service = serviceArg(call);
        const auto read = [&] {
            SqlStatement query(
                conn, QStringLiteral(
                          "SELECT CC.CDTIPOPRAT, CC.NRSEQCNFCARD, CC.CDFILIAL, CC.CDSERVFILI,"
                          " TP.NMTIPOPRAT FROM CONFCARD CC LEFT JOIN TIPOPRAT TP ON"
                          " TP.CDTIPOPRAT = CC.CDTIPOPRAT WHERE CC.CDFILIAL = :BRANCH AND"
                          " CC.CDSERVFILI = :SERVICE ORDER BY CC.NRSEQCNFCARD, CC.CDTIPOPRAT"));
            query.bind(QStringLiteral("BRANCH"), branch)
                .bind(QStringLiteral("SERVICE"), service)
                .exec();
            // The fields' part is encoded once.
            static const QueryPacketWriter writer({textField(QStringLiteral("CDTIPOPRAT"), 2),
                                                   floatField(QStringLiteral("NRSEQCNFCARD")),
                                                   textField(QStringLiteral("CDFILIAL"), 4),
                                                   textField(QStringLiteral("CDSERVFILI"), 5),
                                                   textField(QStringLiteral("NMTIPOPRAT"), 15)});
            return writer.write(query.query());
        };
        return CallResult::ok(QVariant::fromValue(AnswerCache::shared().answer(
            conn, AnswerCache::keyOf(QStringLiteral("GetConfCard"), {branch, service}),
            {QStringLiteral("CONFCARD"), QStringLiteral("TIPOPRAT")}, read)));
    });
}

CallResult getConfesco(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = branchArg(call);
        const QString patient = checkedCode(call.text("patient"), 12, QStringLiteral("Paciente"));
        const QString sequence = checkedCode(call.text("sequence"), 2, QStringLiteral("Sequência"));
        const QDate date = call.date("day");
        if (sequence.isEmpty() || !date.isValid()) {
            DataPacket empty;
            empty.fields = choiceFields();
            return CallResult::ok(fromPacket(empty));
        }
        // Dish-type order is the service's standard configuration; types it lacks go last.
        SqlStatement query(
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
        return CallResult::ok(fromPacket(packetFromQuery(query.query(), choiceFields())));
    });
}

CallResult getCompCard(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = branchArg(call);
        const QString service = serviceArg(call);
        const QString diet = checkedCode(call.text("diet"), 4, QStringLiteral("Dieta"));
        const QDate date = requiredDate(call, "day");
        // The service's own kind decides; the caller's is used for a service it does not know.
        QString kind = serviceKind(conn, branch, service);
        if (kind.isEmpty())
            kind = call.text("serviceKind");
        const QString cardCode = kind == u"N" ? QString::fromLatin1(kServiceCardDiet) : diet;
        DataPacket packet;
        packet.fields = cardFields();
        if (cardCode.isEmpty())
            return CallResult::ok(fromPacket(packet));
        SqlStatement query(
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
        return CallResult::ok(fromPacket(packetFromQuery(query.query(), cardFields())));
    });
}

CallResult gerVisuaRestInto(MethodCall& call) {
    return runRead(call.context(), [&](QSqlDatabase& conn) {
        const QString branch = branchArg(call);
        const QString patient = checkedCode(call.text("patient"), 12, QStringLiteral("Paciente"));
        const QDate date = requiredDate(call, "day");
        const QString dish = checkedCode(call.text("dish"), 10, QStringLiteral("Prato"));
        const QString dishBranch =
            checkedCode(call.text("dishBranch"), 4, QStringLiteral("Filial do prato"));
        const QDate admission = call.date("admission");
        std::optional<Stay> stay =
            activeStay(conn, call.context().db->engine(), branch, patient, date);
        if (admission.isValid() && (!stay || stay->admission != admission)) {
            // A list of a past date names a stay that is no longer the active one.
            stay = Stay{branch, patient, admission, {}, {}, {}, false};
        }
        if (!stay)
            throw MethodError(QStringLiteral("Internação do paciente não encontrada."));
        // The dish arguments go back as they came.
        call.setText("dish", dish);
        call.setText("dishBranch", dishBranch);
        return CallResult::ok(
            QVariantList{fromPacket(restrictionsPacket(conn, *stay, dishBranch, dish)),
                         fromPacket(interactionsPacket(conn, *stay, date, dishBranch, dish))});
    });
}

} // namespace dieta::server
