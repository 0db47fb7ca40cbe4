// Copying a day's diets and menu choices to another day, through the real server: which
// patients already have diets, skipping or overwriting them, special diets, the scope, the
// services and diets left without a menu, refusals, and all-or-nothing on a failure midway.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "server/methods/methodsupport.h"
#include "tests/server/methods_dialogs/dialogfixture.h"
#include "tests/support/seededserver.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSqlQuery>
#include <QtTest>
#include <thread>

using namespace dieta;
using namespace dieta::test;

namespace {

struct CopyAnswer {
    QString error;
    QString key;
    DataPacket missing;
    QVariant list;
    QStringList discharged; // "patient/name/discharge day"
};

struct CopyRequest {
    QString patients = QStringLiteral("T");
    QString services = QStringLiteral("T");
    QString beds = QStringLiteral("T");
    QString wings = QStringLiteral("T");
    QString floors = QStringLiteral("T");
    QString group = QStringLiteral("T");
    bool special = true;
    bool overwrite = false;
};

QStringList missingRows(const DataPacket& packet) {
    QStringList rows;
    for (int row = 0; row < packet.rows.size(); ++row)
        rows.append(packet.value(row, u"NMSERVFILI").toString() + u'/' +
                    packet.value(row, u"DSDIETPAD").toString());
    return rows;
}

// The dialogs' hospital with yesterday's records: P001 and companion, P002, P003 (special
// diet), P005 (another service). Today P002 already has a diet.
void seedCopyDays(SqlDatabase& db, QDate today) {
    const QDate yesterday = today.addDays(-1);
    seedDialogHospital(db, today);
    addDayRecord(db, "P001", yesterday, "01", "0", "00010", "0001",
                 {"02|P|02.01.001|S|2", "02|P|02.01.002|N|0"});
    addDayRecord(db, "P001", yesterday, "02", "1", "00010", "0001", {"02|P|02.01.001|S|1"});
    addDayRecord(db, "P002", yesterday, "01", "0", "00010", "0002", {"02|P|02.02.001|S|1"});
    addDayRecord(db, "P003", yesterday, "01", "0", "00010", "0004", {"02|P|02.01.001|S|1"});
    addDayRecord(db, "P005", yesterday, "01", "0", "00020", "0001", {"02|P|02.01.001|S|1"});
    addDayRecord(db, "P002", today, "01", "0", "00010", "0001", {"01|P|01.01.002|S|1"});
}

// Releases `begun` each time the server starts running the method, then runs it as before.
void announceStart(server::MethodRegistry& registry, const QString& method, QSemaphore& begun) {
    server::MethodEntry entry = *registry.find(method);
    entry.handler = [real = entry.handler, &begun](server::CallContext& context,
                                                   QVariantList& args) {
        begun.release();
        return real(context, args);
    };
    registry.add(std::move(entry));
}

} // namespace

class tst_DialogCopy : public QObject {
    Q_OBJECT

private:
    const QDate today = QDate::currentDate();
    const QDate yesterday = today.addDays(-1);

    std::unique_ptr<TestServer>
    start(TestEngine engine, std::function<void(server::MethodRegistry&)> extraMethods = {}) {
        TestServerOptions options;
        options.extraMethods = std::move(extraMethods);
        return startSeeded(engine, seedCopyDays, today, std::move(options));
    }

    CopyAnswer copy(TNetConnection& net, const CopyRequest& request, QDate origin,
                    QDate destination, const QString& operatorCode = QStringLiteral("NUTRI01")) {
        QVariantList args{
            "0001",         request.patients, request.services,
            origin,         request.beds,     request.wings,
            request.floors, request.special,  request.overwrite,
            destination,    operatorCode,     fromPacket(listParams("0001", "00010", destination)),
            request.group};
        const QVariant result = net.call(QStringLiteral("GetCopiarDieta"), args);
        CopyAnswer answer;
        if (isServerError(result)) {
            answer.error = serverErrorText(result);
            return answer;
        }
        const QVariantList parts = result.toList();
        if (parts.size() != 4) {
            answer.error = QStringLiteral("resposta sem quatro elementos");
            return answer;
        }
        answer.key = parts[0].toString();
        answer.missing = toPacket(parts[1]);
        answer.list = parts[2];
        const DataPacket discharged = toPacket(parts[3]);
        for (int row = 0; row < discharged.rows.size(); ++row)
            answer.discharged.append(
                discharged.value(row, u"CDPACIENTE").toString() + u'/' +
                discharged.value(row, u"NMPACIENTE").toString() + u'/' +
                discharged.value(row, u"DTALTA").toDate().toString(Qt::ISODate));
        // The by-reference lists come back as they went.
        if (args[1] != request.patients || args[12] != request.group)
            answer.error = QStringLiteral("listas por referência alteradas");
        return answer;
    }

    static QStringList dayOf(SqlDatabase& db, QDate day) {
        return columnOf(db,
                        QStringLiteral("SELECT CDPACIENTE || '/' || NRSEQUSERV || '/' ||"
                                       " STPACIACOM || '/' || COALESCE(CDDIETPAD, '') FROM SERVINTE"
                                       " WHERE DTSERVINTE = :D ORDER BY CDPACIENTE, NRSEQUSERV"),
                        {{QStringLiteral("D"), day}});
    }

    static QStringList choicesOf(SqlDatabase& db, QDate day) {
        return columnOf(db,
                        QStringLiteral("SELECT CDPACIENTE || '/' || NRSEQUSERV || '/' || CDPRATO ||"
                                       " '/' || IDESCOCONF FROM CONFESCO WHERE DTSERVINTE = :D"
                                       " ORDER BY CDPACIENTE, NRSEQUSERV, CDSEQUCOPR"),
                        {{QStringLiteral("D"), day}});
    }

private slots:
    void patientsWithDiets_data() { addEngineRows(); }
    void patientsWithDiets() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        const auto withDiets = [&](const QString& services, const QString& patients,
                                   const QString& group) {
            QVariantList args{today, "0001", services, patients, group};
            const QVariant result = net.call(QStringLiteral("GetVdCopia"), args);
            QStringList codes;
            const DataPacket packet = toPacket(result);
            for (int row = 0; row < packet.rows.size(); ++row)
                codes.append(packet.value(row, u"CDPACIENTE").toString());
            return isPacket(result) ? codes : QStringList{serverErrorText(result)};
        };
        QCOMPARE(withDiets("T", "T", "T"), QStringList{"P002"});
        QCOMPARE(withDiets("T", "T", "G01"), QStringList{"P002"});
        QCOMPARE(withDiets("T", "_P001_P003_", "T"), QStringList{});
        QCOMPARE(withDiets("_00020_", "T", "T"), QStringList{});
        QCOMPARE(withDiets("_00010_", "_P002_", "T"), QStringList{"P002"});
        QCOMPARE(withDiets("_00010", "T", "T"), QStringList{"Serviço: lista inválida."});
    }

    void copySkippingExisting_data() { addEngineRows(); }
    void copySkippingExisting() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        // A formula time moves with the copy to the destination day.
        execOn(db,
               QStringLiteral("UPDATE CONFESCO SET DTCONSCONF = :T WHERE CDPACIENTE = 'P001' AND"
                              " NRSEQUSERV = '01' AND CDSEQUCOPR = '0001'"),
               {{QStringLiteral("T"), QDateTime(yesterday, QTime(8, 30))}});

        const CopyAnswer answer = copy(server->connection(), CopyRequest{}, yesterday, today);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.key, QString());
        QVERIFY(isPacket(answer.list));
        QCOMPARE(dayOf(db, today),
                 (QStringList{"P001/01/0/0001", "P001/02/1/0001", "P002/01/0/0001",
                              "P003/01/0/0004", "P005/01/0/0001"}));
        QCOMPARE(choicesOf(db, today), (QStringList{"P001/01/02.01.001/S", "P001/01/02.01.002/N",
                                                    "P001/02/02.01.001/S", "P002/01/01.01.002/S",
                                                    "P003/01/02.01.001/S", "P005/01/02.01.001/S"}));
        QCOMPARE(columnOf(db,
                          QStringLiteral("SELECT DSSERVINTE || '/' || IDIMPRSERV FROM SERVINTE"
                                         " WHERE CDPACIENTE = 'P001' AND DTSERVINTE = :D AND"
                                         " NRSEQUSERV = '01'"),
                          {{QStringLiteral("D"), today}}),
                 QStringList{"Obs P001/N"});
        QSqlQuery consumption = execSql(
            db.connection(),
            QStringLiteral("SELECT DTCONSCONF FROM CONFESCO WHERE CDPACIENTE = 'P001' AND"
                           " DTSERVINTE = :D AND NRSEQUSERV = '01' AND CDSEQUCOPR = '0001'"),
            {{QStringLiteral("D"), today}});
        QVERIFY(consumption.next());
        QCOMPARE(server::cellFromSql(consumption.value(0), FieldKind::DateTime).toDateTime(),
                 QDateTime(today, QTime(8, 30)));
        // The special diet has no menu today; the others have their own or their group's.
        QCOMPARE(missingRows(answer.missing), QStringList{"Clínica/Dieta Especial"});
        QCOMPARE(auditCount(db, QStringLiteral("GetCopiarDieta")), 1);
        QCOMPARE(columnOf(db, QStringLiteral(
                                  "SELECT DSPACIENTES FROM AUDIT WHERE DSPACIENTES IS NOT NULL")),
                 QStringList{"_P001_P003_P005_"});
    }

    void copyOverwriting_data() { addEngineRows(); }
    void copyOverwriting() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        CopyRequest request;
        request.overwrite = true;
        request.special = false;
        const CopyAnswer answer = copy(server->connection(), request, yesterday, today);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.key, QString());
        QCOMPARE(dayOf(db, today), (QStringList{"P001/01/0/0001", "P001/02/1/0001",
                                                "P002/01/0/0002", "P005/01/0/0001"}));
        QVERIFY(choicesOf(db, today).contains(QStringLiteral("P002/01/02.02.001/S")));
        QVERIFY(!choicesOf(db, today).contains(QStringLiteral("P002/01/01.01.002/S")));
        QCOMPARE(missingRows(answer.missing), QStringList{});
    }

    // A companion's record goes with the copy only while the stay still has its companion; the
    // patient's own record goes either way, and a bed scope still applies to both.
    void companionRecordNeedsCompanion_data() { addEngineRows(); }
    void companionRecordNeedsCompanion() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const QDate tomorrow = today.addDays(1);
        execOn(db, QStringLiteral("UPDATE INTERNA SET IDACOMPANH = 'N' WHERE CDPACIENTE = 'P001'"));
        CopyAnswer answer = copy(net, CopyRequest{}, yesterday, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(dayOf(db, tomorrow), (QStringList{"P001/01/0/0001", "P002/01/0/0002",
                                                   "P003/01/0/0004", "P005/01/0/0001"}));

        execOn(db, QStringLiteral("UPDATE INTERNA SET IDACOMPANH = 'S' WHERE CDPACIENTE = 'P001'"));
        CopyRequest request;
        request.overwrite = true;
        request.beds = QStringLiteral("_L101_");
        answer = copy(net, request, yesterday, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(dayOf(db, tomorrow),
                 (QStringList{"P001/01/0/0001", "P001/02/1/0001", "P002/01/0/0002",
                              "P003/01/0/0004", "P005/01/0/0001"}));
        QCOMPARE(choicesOf(db, tomorrow).filter(QStringLiteral("P001/02/")),
                 QStringList{"P001/02/02.01.001/S"});
    }

    void copyScopeAndMissingMenus_data() { addEngineRows(); }
    void copyScopeAndMissingMenus() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const QDate tomorrow = today.addDays(1);

        // Wing B holds P003 (L201) and P005 (L202); only P003 is in service 00010.
        CopyRequest request;
        request.wings = QStringLiteral("_B_");
        request.services = QStringLiteral("_00010_");
        CopyAnswer answer = copy(net, request, yesterday, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(dayOf(db, tomorrow), QStringList{"P003/01/0/0004"});
        // No card tomorrow: the destination lacks a menu for the copied service and diet.
        QCOMPARE(missingRows(answer.missing), QStringList{"Clínica/Dieta Especial"});

        request = CopyRequest{};
        request.floors = QStringLiteral("_01_");
        request.beds = QStringLiteral("_L101_");
        answer = copy(net, request, yesterday, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(dayOf(db, tomorrow),
                 (QStringList{"P001/01/0/0001", "P001/02/1/0001", "P003/01/0/0004"}));
        QCOMPARE(missingRows(answer.missing), QStringList{"Clínica/Dieta Geral"});

        request = CopyRequest{};
        request.group = QStringLiteral("G01");
        request.patients = QStringLiteral("_P005_");
        answer = copy(net, request, yesterday, tomorrow);
        QCOMPARE(dayOf(db, tomorrow).size(), 4);
        QCOMPARE(missingRows(answer.missing), QStringList{"Cirurgia/Dieta Geral"});

        // Nothing in scope: the key says so and nothing changes.
        answer = copy(net, CopyRequest{}, today.addDays(-5), tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.key, QStringLiteral("NExist_Conf"));
        QCOMPARE(answer.list.toString(), QString());
        // A patient discharged before the destination day gets nothing.
        addDayRecord(db, "P004", today.addDays(-3), "01", "0", "00010", "0001", {});
        answer = copy(net, CopyRequest{}, today.addDays(-3), yesterday);
        QCOMPARE(answer.key, QStringLiteral("NExist_Conf"));
        QCOMPARE(answer.discharged,
                 QStringList{"P004/Davi/" + today.addDays(-2).toString(Qt::ISODate)});
        QCOMPARE(dayOf(db, tomorrow).size(), 4);
        // On the discharge day itself the stay still counts, as in the inpatient list.
        const QDate discharge = today.addDays(-2);
        answer = copy(net, CopyRequest{}, today.addDays(-3), discharge);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.key, QString());
        QCOMPARE(dayOf(db, discharge), QStringList{"P004/01/0/0001"});
        QCOMPARE(answer.discharged, QStringList());
        QCOMPARE(auditCount(db, QStringLiteral("GetCopiarDieta")), 6);
    }

    // A patient discharged before the destination day is left out of a copy that goes on for
    // the others, and the answer names the patient with the discharge day; a patient out of
    // the scope, or whose special diet is not copied, is not named.
    void dischargedPatientsNamed_data() { addEngineRows(); }
    void dischargedPatientsNamed() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const QDate origin = today.addDays(-3);
        const QDate tomorrow = today.addDays(1);
        addDayRecord(db, "P001", origin, "01", "0", "00010", "0001", {"02|P|02.01.001|S|1"});
        addDayRecord(db, "P004", origin, "01", "0", "00010", "0001", {"02|P|02.01.001|S|1"});
        addDayRecord(db, "P004", origin, "02", "0", "00010", "0002", {});
        const QString davi = "P004/Davi/" + today.addDays(-2).toString(Qt::ISODate);

        CopyRequest request;
        request.patients = QStringLiteral("_P001_");
        CopyAnswer answer = copy(net, request, origin, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.discharged, QStringList());

        request = CopyRequest{};
        request.overwrite = true;
        answer = copy(net, request, origin, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.key, QString());
        QCOMPARE(dayOf(db, tomorrow), QStringList{"P001/01/0/0001"});
        QCOMPARE(answer.discharged, QStringList{davi});
        QVERIFY(isPacket(answer.list)); // the others' copy still refreshes the list

        execOn(db,
               QStringLiteral("UPDATE SERVINTE SET CDDIETPAD = '0004' WHERE CDPACIENTE ="
                              " 'P004' AND DTSERVINTE = :D"),
               {{QStringLiteral("D"), origin}});
        request.special = false;
        answer = copy(net, request, origin, tomorrow);
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QCOMPARE(answer.discharged, QStringList());
        request.special = true;
        QCOMPARE(copy(net, request, origin, tomorrow).discharged, QStringList{davi});
    }

    void copyRefusals_data() { addEngineRows(); }
    void copyRefusals() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        std::unique_ptr<TNetConnection> clerk = server->connect(QStringLiteral("OPER99"));
        QVERIFY(copy(*clerk, CopyRequest{}, yesterday, today, QStringLiteral("OPER99"))
                    .error.contains(QStringLiteral("não está cadastrado como nutricionista")));
        QCOMPARE(copy(server->connection(), CopyRequest{}, today, today).error,
                 QStringLiteral("Data de destino deve ser diferente da data de origem."));
        CopyRequest badList;
        badList.beds = QStringLiteral("L101");
        QCOMPARE(copy(server->connection(), badList, yesterday, today).error,
                 QStringLiteral("Leito: lista inválida."));
        QCOMPARE(dayOf(db, today), QStringList{"P002/01/0/0001"});
        QCOMPARE(auditCount(db, QStringLiteral("GetCopiarDieta")), 0);
    }

    // Code lists are read in linear time, each code once, within its width and up to a cap
    // the refusal names.
    void codeListsLinearAndCapped() {
        using server::parseCodeList;
        const server::CodeList list = parseCodeList(QStringLiteral("_P2_P1_P2_P3_P1_"), "Paciente");
        QCOMPARE(list.codes, QStringList({"P2", "P1", "P3"}));
        QCOMPARE(list.all, false);
        QVERIFY(parseCodeList(QStringLiteral("T"), "Paciente").all);
        const auto refusal = [](const QString& text, int width) {
            try {
                parseCodeList(text, QStringLiteral("Paciente"), width);
            } catch (const server::MethodError& error) {
                return error.text();
            }
            return QString();
        };
        QCOMPARE(refusal(QStringLiteral("_P1__P2_"), 0),
                 QStringLiteral("Paciente: lista inválida."));
        QVERIFY(refusal(QStringLiteral("_P1_1234567890123_"), 12).contains(u"mais de 12"));

        QString full = QStringLiteral("_");
        for (int i = 0; i < server::kMaxListCodes; ++i)
            full += QStringLiteral("P%1_").arg(i);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(parseCodeList(full + full.mid(1), QStringLiteral("Paciente"), 12).codes.size(),
                 server::kMaxListCodes);
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(
            refusal(full + QStringLiteral("X_"), 12),
            QStringLiteral("Paciente: a lista tem mais de %1 códigos.").arg(server::kMaxListCodes));
    }

    // A copy of 60,000 listed patients takes little time and holds the write lock only for the
    // writing: another user's save at the same time waits its turn and succeeds.
    void longPatientListCopy_data() { addEngineRows(); }
    void longPatientListCopy() {
        DIETA_FETCH_ENGINE(engine);
        QSemaphore copyBegun;
        auto server = start(engine, [&](server::MethodRegistry& registry) {
            announceStart(registry, QStringLiteral("GetCopiarDieta"), copyBegun);
        });
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        CopyRequest request;
        request.patients = QStringLiteral("_P001_P003_");
        for (int i = 0; i < 60000; ++i)
            request.patients += QStringLiteral("X%1_").arg(i, 6, 10, QLatin1Char('0'));
        request.patients += QStringLiteral("P001_");
        CopyAnswer answer;
        QElapsedTimer timer;
        timer.start();
        qint64 copyMs = 0;
        std::thread copier([&] {
            auto net = server->connect(QStringLiteral("NUTRI01"));
            answer = copy(*net, request, yesterday, today);
            copyMs = timer.elapsed();
        });
        // The other save goes out once the server is running the copy.
        const bool overlapped = copyBegun.tryAcquire(1, 30000);
        const QVariant save = server->connection().call(
            QStringLiteral("SetDupDieta"),
            {"0001", "00010", today, "0001", "", "0", "NUTRI01", 1.0,
             fromPacket(markedRows({{"P005", "0", ""}}, today)), QString(), "A"});
        const qint64 saveMs = timer.elapsed();
        copier.join();
        qInfo("60,000-code copy %lld ms; the other save ended at %lld ms", copyMs, saveMs);
        QVERIFY2(overlapped, "the copy never reached the server");
        QVERIFY2(answer.error.isEmpty(), qPrintable(answer.error));
        QVERIFY2(!isServerError(save), qPrintable(serverErrorText(save)));
        QVERIFY2(copyMs < 8000, qPrintable(QString::number(copyMs)));
        QCOMPARE(dayOf(db, today),
                 QStringList({"P001/01/0/0001", "P001/02/1/0001", "P002/01/0/0001",
                              "P003/01/0/0004", "P005/01/0/0001"}));
    }

    // A failure in the middle of the copy (after the records, while copying the choices)
    // leaves the destination exactly as it was.
    void copyFailingMidway_data() { addEngineRows(); }
    void copyFailingMidway() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        if (engine == TestEngine::SQLite) {
            execOn(db, QStringLiteral("CREATE TRIGGER FALHA_COPIA BEFORE INSERT ON CONFESCO"
                                      " WHEN NEW.CDPACIENTE = 'P003'"
                                      " BEGIN SELECT RAISE(ABORT, 'falha simulada'); END"));
        } else {
            execOn(db, QStringLiteral("CREATE FUNCTION FALHA_COPIA() RETURNS trigger LANGUAGE"
                                      " plpgsql AS $f$ BEGIN IF NEW.CDPACIENTE = 'P003' THEN"
                                      " RAISE EXCEPTION 'falha simulada'; END IF; RETURN NEW;"
                                      " END $f$"));
            execOn(db, QStringLiteral("CREATE TRIGGER FALHA_COPIA BEFORE INSERT ON CONFESCO"
                                      " FOR EACH ROW EXECUTE FUNCTION FALHA_COPIA()"));
        }
        CopyRequest request;
        request.overwrite = true;
        const CopyAnswer answer = copy(server->connection(), request, yesterday, today);
        QVERIFY(!answer.error.isEmpty());
        QVERIFY(!answer.error.contains(QStringLiteral("falha simulada"))); // no driver text leaks
        QCOMPARE(dayOf(db, today), QStringList{"P002/01/0/0001"});
        QCOMPARE(choicesOf(db, today), QStringList{"P002/01/01.01.002/S"});
        QCOMPARE(auditCount(db, QStringLiteral("GetCopiarDieta")), 0);

        // The same connection copies cleanly once the fault is gone.
        execOn(db,
               QStringLiteral("DROP TRIGGER FALHA_COPIA%1")
                   .arg(engine == TestEngine::SQLite ? QString() : QStringLiteral(" ON CONFESCO")));
        QVERIFY(copy(server->connection(), request, yesterday, today).error.isEmpty());
        QCOMPARE(dayOf(db, today).size(), 5);
    }
};

QTEST_GUILESS_MAIN(tst_DialogCopy)
#include "tst_dialogcopy.moc"
