// The main screen's reading methods against the real server: the inpatient list with its
// filters, the stays' diagnoses, the standard configuration, menu choices and cards, and the
// restriction view.

#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"
#include "platform/wiredate.h"
#include "platform/wirevalue.h"
#include "server/storage/changelistener.h"
#include "tests/server/methods_main/mainhospital.h"
#include "tests/support/seededserver.h"

#include <QtTest>
#include <optional>

Q_DECLARE_METATYPE(dieta::test::mainscreen::ListFilter)

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::mainscreen;

namespace {

const QString branch = QStringLiteral("0001");

// A write committed outside any call, as an operator's earlier call or another system leaves it.
void writeCommitted(SqlDatabase& db, const QString& sql, const QVariantMap& values = {}) {
    WriteTransaction transaction(db);
    execSql(transaction.connection(), sql, values);
    transaction.commit();
}

} // namespace

class tst_MainScreenReads : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();

    // The packet a call answered; fails the test on an error result.
    static bool packetOf(const QVariant& result, DataPacket& packet) {
        if (!isPacket(result)) {
            qWarning().noquote() << "not a packet:" << serverErrorText(result);
            return false;
        }
        packet = toPacket(result);
        return true;
    }

    DataPacket list(TNetConnection& net, const DataPacket& params) {
        DataPacket packet;
        if (!packetOf(net.call(QStringLiteral("GetInternacao"), {fromPacket(params)}), packet))
            return {};
        return packet;
    }

private slots:
    void inpatientList_data() { addEngineRows(); }
    void inpatientList() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const DataPacket rows = list(server->connection(), listParams(branch, "00010", today));

        // Bed order, the patient before the companion; Bruno has no record yet; Carla's stray
        // companion record is left out (she has no companion); Davi left, Fábio comes tomorrow.
        QCOMPARE(listKeys(rows), QStringList({"P001/0/01", "P001/1/02", "P002/0/", "P003/0/"}));
        QCOMPARE(columnValues(rows, "CDLEITO"), QStringList({"L101", "L101", "L102", "L201"}));
        QCOMPARE(columnValues(rows, "CDDIETPAD"), QStringList({"0001", "0001", "", ""}));
        QCOMPARE(columnValues(rows, "DSDIETPAD"), QStringList({"Geral", "Geral", "", ""}));
        QCOMPARE(columnValues(rows, "IDRESTSERIN"), QStringList({"1", "0", "1", "0"}));
        QCOMPARE(columnValues(rows, "NMSERPADDIE"),
                 QStringList({"Apartamento", "Apartamento", "Enfermaria", "Enfermaria"}));
        QCOMPARE(columnValues(rows, "IDCHECK"), QStringList({"N", "N", "N", "N"}));
        QCOMPARE(columnValues(rows, "IDCHECKTODOS"), QStringList({"S", "S", "S", "S"}));
        // Every row carries the keys the screen sends back, also a stay with no record.
        QCOMPARE(columnValues(rows, "CDFILIAL"), QStringList(4, branch));
        QCOMPARE(columnValues(rows, "CDSERVFILI"), QStringList(4, "00010"));
        for (int row = 0; row < rows.rows.size(); ++row)
            QCOMPARE(rows.value(row, u"DTSERVINTE").toDateTime(), QDateTime(today, QTime(0, 0)));
        QCOMPARE(rows.value(0, u"NMLEITO").toString(), QStringLiteral("Leito 101"));
        QCOMPARE(rows.value(0, u"IDFORMDIET").toString(), QStringLiteral("5"));
        QCOMPARE(rows.value(0, u"DTNASCPACI").toDateTime().date(), QDate(1960, 3, 1));
        QCOMPARE(rows.value(3, u"DTALTA").toDateTime().date(), today);
        QCOMPARE(rows.value(2, u"DTINTERNA").toDateTime().date(), today.addDays(-3));

        QStringList names;
        for (const FieldDef& field : rows.fields)
            names.append(field.name);
        QCOMPARE(names, QStringList({"NMPACIENTE",  "CDPACIENTE", "DTALTA",       "DTINTERNA",
                                     "CDSERPADDIE", "CDLEITO",    "NMLEITO",      "NMSERPADDIE",
                                     "DTNASCPACI",  "CDDIETPAD",  "DSDIETPAD",    "CDFILIAL",
                                     "CDSERVFILI",  "DTSERVINTE", "STPACIACOM",   "DSPRESMEDI",
                                     "IDCHECK",     "NRSEQUSERV", "IDFORMDIET",   "IDRESTSERIN",
                                     "IDIMPRSERV",  "CDDIETGRUP", "IDCHECKTODOS", "DSSERVINTE"}));
    }

    void groupAndDates_data() { addEngineRows(); }
    void groupAndDates() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();

        // A group code stands for all its services; each row names its own service.
        const DataPacket group = list(net, listParams(branch, "G01", today));
        QCOMPARE(listKeys(group),
                 QStringList({"P001/0/01", "P001/1/02", "P002/0/", "P003/0/", "P005/0/01"}));
        QCOMPARE(group.value(4, u"CDSERVFILI").toString(), QStringLiteral("00020"));

        // Three days ago Davi was still there (he left the day before yesterday); Eva not yet.
        QCOMPARE(listKeys(list(net, listParams(branch, "G01", today.addDays(-3)))),
                 QStringList({"P001/0/", "P002/0/", "P004/0/"}));
        // Tomorrow Carla has left and Fábio has come.
        QCOMPARE(listKeys(list(net, listParams(branch, "00010", today.addDays(1)))),
                 QStringList({"P001/0/", "P002/0/", "P006/0/"}));
    }

    void filters_data() {
        QTest::addColumn<TestEngine>("engine");
        QTest::addColumn<ListFilter>("filter");
        QTest::addColumn<QStringList>("patients");
        const QList<std::pair<const char*, TestEngine>> engines{
            {"sqlite", TestEngine::SQLite}, {"postgresql", TestEngine::PostgreSQL}};
        for (const auto& [engineName, engine] : engines) {
            const auto row = [&](const char* name, ListFilter filter, QStringList patients) {
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(engineName, name)))
                    << engine << filter << patients;
            };
            row("floor 02", {.floors = "_02_"}, {"P003"});
            row("wing A", {.wings = "_A_"}, {"P001", "P001", "P002"});
            row("diagnosis D03", {.diagnoses = "_D03_"}, {"P001", "P001"});
            row("diagnoses D02 D03", {.diagnoses = "_D02_D03_"}, {"P001", "P001", "P002"});
            row("standard 001", {.standards = "_001_"}, {"P002", "P003"});
            row("type 4", {.patientType = "4"}, {"P002"});
            row("type 0", {.patientType = "0"}, {"P003"});
            row("floor and standard", {.floors = "_01_", .standards = "_002_"}, {"P001", "P001"});
            row("unknown wing", {.wings = "_Z_"}, {});
            // A code is data: quotes and SQL in a list match nothing and break nothing.
            row("hostile code", {.floors = "_01' OR '1'='1_"}, {});
        }
    }
    void filters() {
        DIETA_FETCH_ENGINE(engine);
        QFETCH(ListFilter, filter);
        QFETCH(QStringList, patients);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const DataPacket rows =
            list(server->connection(), listParams(branch, "00010", today, filter));
        QCOMPARE(columnValues(rows, "CDPACIENTE"), patients);
    }

    void badParameters_data() { addEngineRows(); }
    void badParameters() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();

        // A reload before any load: the packet has no row.
        DataPacket noRow = listParams(branch, "00010", today);
        noRow.rows.clear();
        const DataPacket empty = list(net, noRow);
        QCOMPARE(empty.rows.size(), 0);
        QCOMPARE(empty.fields.size(), 24);

        const auto errorOf = [&](const DataPacket& params) {
            return serverErrorText(net.call(QStringLiteral("GetInternacao"), {fromPacket(params)}));
        };
        QCOMPARE(errorOf(listParams(branch, "99999", today)),
                 QStringLiteral("Serviço não cadastrado."));
        DataPacket longBranch = listParams("00001", "00010", today);
        longBranch.fields.last().size = 0; // past the client's own check
        QVERIFY(errorOf(longBranch).contains(u"Filial"));
        QVERIFY(errorOf(listParams(branch, "00010", today, {.wings = "_A"})).contains(u"Ala"));
        QCOMPARE(errorOf(listParams(branch, "00010", QDate())),
                 QStringLiteral("Data deve ser informada."));
        QVERIFY(!serverErrorText(net.call(QStringLiteral("GetInternacao"), {QString()})).isEmpty());
    }

    void diagnoses_data() { addEngineRows(); }
    void diagnoses() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        DataPacket rows;
        QVERIFY(
            packetOf(server->connection().call(QStringLiteral("GetDiagInter"), {branch}), rows));
        const auto at = [&](int row) {
            return QStringList({rows.value(row, u"CDPACIENTE").toString(),
                                rows.value(row, u"DTINTERNA").toString(),
                                rows.value(row, u"NMDIAGNOST").toString()})
                .join(u'|');
        };
        // Stays in order, diagnoses in their order; Davi left recently and is still there.
        QCOMPARE(rows.rows.size(), 5);
        QCOMPARE(at(0), "P001|" + formatShortDate(today.addDays(-5)) + "|Diabetes");
        QCOMPARE(at(1), "P001|" + formatShortDate(today.addDays(-5)) + "|Doença celíaca");
        QCOMPARE(at(2), "P002|" + formatShortDate(today.addDays(-3)) + "|Hipertensão");
        QCOMPARE(at(3), "P004|" + formatShortDate(today.addDays(-10)) + "|Hipertensão");
        QCOMPARE(at(4), "P005|" + formatShortDate(today) + "|Hipertensão");
    }

    // Stays and diagnoses are matched in byte order of the patient's code, whatever the
    // database's collation; what is left out is left out without disturbing its neighbours.
    void diagnosesOfManyStays_data() { addEngineRows(); }
    void diagnosesOfManyStays() {
        DIETA_FETCH_ENGINE(engine);
        const auto seed = [](SqlDatabase& db, QDate day) {
            seedMainHospital(db, day);
            WriteTransaction transaction(db);
            const QSqlDatabase c = transaction.connection();
            const auto stay = [&](const char* branchCode, const QString& patient, int admitted,
                                  std::optional<int> discharged) {
                execSql(c,
                        QStringLiteral("INSERT INTO INTERNA (CDFILIAL, CDPACIENTE, DTINTERNA,"
                                       " DTALTA, CDSERVFILI, IDTIPOPACI, IDACOMPANH) VALUES"
                                       " (:B, :P, :I, :A, '00010', '3', 'N')"),
                        {{"B", branchCode},
                         {"P", patient},
                         {"I", day.addDays(admitted)},
                         {"A", discharged ? QVariant(day.addDays(*discharged))
                                          : QVariant(QMetaType::fromType<QDate>())}});
            };
            const auto diagnosis = [&](const char* branchCode, const QString& patient, int admitted,
                                       int order, const char* code) {
                execSql(c,
                        QStringLiteral("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA,"
                                       " NRORDDIAG, CDDIAGNOST) VALUES (:B, :P, :I, :O, :D)"),
                        {{"B", branchCode},
                         {"P", patient},
                         {"I", day.addDays(admitted)},
                         {"O", order},
                         {"D", code}});
            };
            stay("0001", "P01", -200, -100); // ended too long ago
            diagnosis("0001", "P01", -200, 1, "D01");
            stay("0001", "P01", -2, std::nullopt);
            diagnosis("0001", "P01", -2, 3, "D99"); // a code the catalogue lacks
            diagnosis("0001", "P01", -2, 2, "D03");
            diagnosis("0001", "P01", -2, 1, "D02");
            stay("0001", "P010", -120, -90); // the last day still shown
            diagnosis("0001", "P010", -120, 1, "D01");
            diagnosis("0001", "P0105", -4, 1, "D01"); // no such stay
            stay("0001", "P011", -120, -91);
            diagnosis("0001", "P011", -120, 1, "D01");
            stay("0001", "P1", -1, std::nullopt);
            diagnosis("0001", "P1", -1, 1, "D02");
            stay("0002", "P1", -1, std::nullopt); // another branch
            diagnosis("0002", "P1", -1, 1, "D03");
            stay("0001", QStringLiteral("Pá"), 0, std::nullopt);
            diagnosis("0001", QStringLiteral("Pá"), 0, 1, "D01");
            transaction.commit();
        };
        auto server = startSeeded(engine, seed, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        DataPacket rows;
        QVERIFY(
            packetOf(server->connection().call(QStringLiteral("GetDiagInter"), {branch}), rows));
        QStringList got;
        for (int r = 0; r < rows.rows.size(); ++r)
            got.append(QStringList({rows.value(r, u"CDPACIENTE").toString(),
                                    rows.value(r, u"DTINTERNA").toString(),
                                    rows.value(r, u"NMDIAGNOST").toString()})
                           .join(u'|'));
        const auto day = [&](int offset) { return formatShortDate(today.addDays(offset)); };
        QCOMPARE(got, QStringList(
                          {"P001|" + day(-5) + "|Diabetes", "P001|" + day(-5) + "|Doença celíaca",
                           "P002|" + day(-3) + "|Hipertensão", "P004|" + day(-10) + "|Hipertensão",
                           "P005|" + day(0) + "|Hipertensão", "P01|" + day(-2) + "|Hipertensão",
                           "P01|" + day(-2) + "|Doença celíaca", "P010|" + day(-120) + "|Diabetes",
                           "P1|" + day(-1) + "|Hipertensão",
                           QStringLiteral("Pá|") + day(0) + "|Diabetes"}));

        // Asked again on the same connections, the kept statements answer the same.
        DataPacket again;
        QVERIFY(
            packetOf(server->connection().call(QStringLiteral("GetDiagInter"), {branch}), again));
        QCOMPARE(again.toJsonBytes(), rows.toJsonBytes());
    }

    // The branch's diagnoses are kept between calls: every kind of change to the stays, their
    // diagnoses or the names shows in the very next answer, whoever wrote it.
    void diagnosesFollowEveryChange_data() { addEngineRows(); }
    void diagnosesFollowEveryChange() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const auto answer = [&] {
            DataPacket rows;
            if (!packetOf(server->connection().call(QStringLiteral("GetDiagInter"), {branch}),
                          rows))
                return QStringList({"error"});
            QStringList got;
            for (int r = 0; r < rows.rows.size(); ++r)
                got.append(rows.value(r, u"CDPACIENTE").toString() + u'|' +
                           rows.value(r, u"NMDIAGNOST").toString());
            return got;
        };
        const auto write = [&](const QString& sql, const QVariantMap& values = {}) {
            writeCommitted(server->database(), sql, values);
        };
        const QStringList first = answer();
        QCOMPARE(first, QStringList({"P001|Diabetes", "P001|Doença celíaca", "P002|Hipertensão",
                                     "P004|Hipertensão", "P005|Hipertensão"}));
        QCOMPARE(answer(), first);

        write(QStringLiteral("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG,"
                             " CDDIAGNOST) VALUES ('0001', 'P002', :I, 2, 'D01')"),
              {{QStringLiteral("I"), today.addDays(-3)}});
        QCOMPARE(answer().at(3), "P002|Diabetes");

        write(QStringLiteral("UPDATE DIAGNOST SET NMDIAGNOST = 'Hipertensão arterial'"
                             " WHERE CDDIAGNOST = 'D02'"));
        QCOMPARE(answer().at(2), "P002|Hipertensão arterial");

        write(QStringLiteral("UPDATE INTERNA SET DTALTA = :A WHERE CDPACIENTE = 'P004'"),
              {{QStringLiteral("A"), today.addDays(-200)}});
        QVERIFY(!answer().join(u',').contains(u"P004"));

        write(QStringLiteral("DELETE FROM DIAGINTER WHERE CDPACIENTE = 'P001'"));
        QCOMPARE(answer(), QStringList({"P002|Hipertensão arterial", "P002|Diabetes",
                                        "P005|Hipertensão arterial"}));

        // Without its change counts nothing is kept, and the answer is still right.
        write(QStringLiteral("DELETE FROM VERSAODADO WHERE NMTABELA = 'DIAGNOST'"));
        write(QStringLiteral("UPDATE DIAGNOST SET NMDIAGNOST = 'HAS' WHERE CDDIAGNOST = 'D02'"));
        QCOMPARE(answer().first(), "P002|HAS");
        write(QStringLiteral(
            "UPDATE DIAGNOST SET NMDIAGNOST = 'Hipertensão' WHERE CDDIAGNOST = 'D02'"));
        QCOMPARE(answer().first(), "P002|Hipertensão");
    }

    // The flag is kept between lists; every table it is read from makes it read again.
    void restrictionFlagFollowsEveryChange_data() { addEngineRows(); }
    void restrictionFlagFollowsEveryChange() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        // "patient=flag" of each patient's own row.
        const auto flags = [&] {
            const DataPacket rows = list(server->connection(), listParams(branch, "00010", today));
            QStringList got;
            for (int r = 0; r < rows.rows.size(); ++r)
                if (rows.value(r, u"STPACIACOM").toString() == u"0")
                    got.append(rows.value(r, u"CDPACIENTE").toString() + u'=' +
                               rows.value(r, u"IDRESTSERIN").toString());
            return got.join(u' ');
        };
        const auto write = [&](const QString& sql, const QVariantMap& values = {}) {
            writeCommitted(server->database(), sql, values);
        };
        QCOMPARE(flags(), "P001=1 P002=1 P003=0");
        QCOMPARE(flags(), "P001=1 P002=1 P003=0");

        write(QStringLiteral("UPDATE MEDIINTE SET DTFIMMEDI = :T WHERE CDPACIENTE = 'P003'"),
              {{QStringLiteral("T"), today}});
        QCOMPARE(flags(), "P001=1 P002=1 P003=1");
        write(QStringLiteral("DELETE FROM PRINNUTR WHERE CDPRINATIV = 'A02'"));
        QCOMPARE(flags(), "P001=1 P002=0 P003=1");
        write(QStringLiteral("UPDATE MEDIPRIN SET CDPRINATIV = 'A01' WHERE CDMEDICAMENT = 'M02'"));
        QCOMPARE(flags(), "P001=1 P002=1 P003=1");
        write(QStringLiteral("DELETE FROM DIAGINTER WHERE CDPACIENTE = 'P001'"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=1");
        write(QStringLiteral("INSERT INTO DIAGINTER (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG,"
                             " CDDIAGNOST) VALUES ('0001', 'P001', :I, 1, 'D01')"),
              {{QStringLiteral("I"), today.addDays(-5)}});
        QCOMPARE(flags(), "P001=1 P002=1 P003=1");
        write(QStringLiteral("DELETE FROM RESTINTO WHERE CDDIAGNOST = 'D01'"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=1");

        // A stay moved into the service comes with its own flag (Eva's hypertension now
        // restricts).
        write(QStringLiteral("INSERT INTO RESTINTO (CDDIAGNOST, CDSUBGRPROD, IDRESTINTO)"
                             " VALUES ('D02', 'G001', 'R')"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=1");
        write(QStringLiteral("UPDATE INTERNA SET CDSERVFILI = '00010' WHERE CDPACIENTE = 'P005'"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=1 P005=1");

        // Without a table's count nothing is kept, and the flag is still right.
        write(QStringLiteral("DELETE FROM VERSAODADO WHERE NMTABELA = 'MEDIINTE'"));
        write(QStringLiteral("DELETE FROM MEDIINTE WHERE CDPACIENTE = 'P003'"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=0 P005=1");
        write(QStringLiteral("DELETE FROM MEDIINTE"));
        QCOMPARE(flags(), "P001=0 P002=1 P003=0 P005=1");
    }

    // The configuration is kept between calls, and follows every writer of its tables: this
    // process at once, another (a database instance of its own) within moments.
    void configurationFollowsEveryWriter_data() { addEngineRows(); }
    void configurationFollowsEveryWriter() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        if (engine == TestEngine::PostgreSQL) {
            // Until it listens the counts are read from the table; the notices are under test.
            const auto listener = server::ChangeListener::of(server->database().instanceId());
            QVERIFY(listener);
            QTRY_VERIFY_WITH_TIMEOUT(listener->isListening(), 10000);
        }
        const auto types = [&] {
            DataPacket conf;
            if (!packetOf(
                    server->connection().call(QStringLiteral("GetConfCard"), {branch, "00010"}),
                    conf))
                return QStringList({"error"});
            return columnValues(conf, "NMTIPOPRAT");
        };
        QCOMPARE(types(), QStringList({"Desjejum", "Jantar", "Almoço"}));
        QCOMPARE(types(), QStringList({"Desjejum", "Jantar", "Almoço"}));

        writeCommitted(
            server->database(),
            QStringLiteral("UPDATE TIPOPRAT SET NMTIPOPRAT = 'Ceia' WHERE CDTIPOPRAT = '03'"));
        QCOMPARE(types(), QStringList({"Desjejum", "Ceia", "Almoço"}));

        SqlDatabase other(server->database().config());
        writeCommitted(other, QStringLiteral("DELETE FROM CONFCARD WHERE CDSERVFILI = '00010'"
                                             " AND CDTIPOPRAT = '01'"));
        other.releaseThreadConnection();
        QTRY_COMPARE_WITH_TIMEOUT(types(), QStringList({"Ceia", "Almoço"}), 5000);
    }

    void configurationAndChoices_data() { addEngineRows(); }
    void configurationAndChoices() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();

        DataPacket conf;
        QVERIFY(packetOf(net.call(QStringLiteral("GetConfCard"), {branch, "00010"}), conf));
        QCOMPARE(columnValues(conf, "CDTIPOPRAT"), QStringList({"01", "03", "02"}));
        QCOMPARE(columnValues(conf, "NMTIPOPRAT"), QStringList({"Desjejum", "Jantar", "Almoço"}));
        QCOMPARE(conf.value(1, u"NRSEQCNFCARD").toDouble(), 2.0);
        QVERIFY(packetOf(net.call(QStringLiteral("GetConfCard"), {branch, "00030"}), conf));
        QCOMPARE(conf.rows.size(), 0); // a service without a standard configuration

        // Choices in the service's dish-type order, whatever their own numbering.
        DataPacket choices;
        QVERIFY(packetOf(net.call(QStringLiteral("GetConfesco"), {branch, "P001", today, "01"}),
                         choices));
        QCOMPARE(columnValues(choices, "NMPRATO"),
                 QStringList({"Pão francês", "Café com leite", "Sopa de legumes", "Arroz"}));
        QCOMPARE(columnValues(choices, "CDSEQUCOPR"),
                 QStringList({"0002", "0003", "0004", "0001"}));
        QCOMPARE(columnValues(choices, "NMTIPOPRAT"),
                 QStringList({"Desjejum", "Desjejum", "Jantar", "Almoço"}));
        QCOMPARE(columnValues(choices, "IDESCOCONF"), QStringList({"S", "S", "N", "S"}));
        QCOMPARE(choices.value(0, u"DTSERVINTE").toDateTime(), QDateTime(today, QTime(0, 0)));
        QCOMPARE(choices.fields.size(), 19);

        // An empty sequence reads nothing, with the fields all the same.
        QVERIFY(packetOf(net.call(QStringLiteral("GetConfesco"), {branch, "P002", today, ""}),
                         choices));
        QCOMPARE(choices.rows.size(), 0);
        QCOMPARE(choices.fields.size(), 19);
    }

    void menuCards_data() { addEngineRows(); }
    void menuCards() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        const auto card = [&](const char* service, const char* diet, QDate day,
                              const char* kind = "A") {
            DataPacket packet;
            if (!packetOf(
                    net.call(QStringLiteral("GetCompCard"), {branch, service, diet, day, kind}),
                    packet))
                return QStringList({"error"});
            QStringList dishes;
            for (int row = 0; row < packet.rows.size(); ++row)
                dishes.append(packet.value(row, u"NMPRATO").toString() +
                              (packet.value(row, u"IDOPCCNFMES").toString() == u"S" ? "*" : ""));
            return dishes;
        };
        QCOMPARE(card("00010", "0001", today),
                 QStringList({"Pão francês", "Café com leite", "Sopa de legumes", "Arroz", "Feijão",
                              "Frango grelhado*"}));
        // Exactly the code given: a diet with only a group card has none of its own.
        QCOMPARE(card("00010", "0002", today), QStringList());
        QCOMPARE(card("00010", "9001", today), QStringList({"Sopa de legumes", "Arroz"}));
        QCOMPARE(card("00010", "0001", today.addDays(1)), QStringList());
        QCOMPARE(card("00010", "", today), QStringList());
        // A service of kind "N" has one card whatever the diet.
        QCOMPARE(card("00070", "0003", today, "N"), QStringList({"Mamadeira"}));
        QVERIFY(!serverErrorText(net.call(QStringLiteral("GetCompCard"),
                                          {branch, "00010", "00001", today, "A"}))
                     .isEmpty());
    }

    void restrictionView_data() { addEngineRows(); }
    void restrictionView() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        const auto view = [&](const char* patient, QDate admission, const char* dish,
                              QStringList& restrictions, QStringList& medicines) {
            QVariantList args{
                branch, patient, today, "00010", "01", dish, QString(*dish ? "P" : ""), admission};
            const QVariant result = net.call(QStringLiteral("GerVisuaRestInto"), args);
            if (result.metaType().id() != QMetaType::QVariantList) {
                qWarning().noquote() << serverErrorText(result);
                return false;
            }
            const QVariantList parts = result.toList();
            const DataPacket first = toPacket(parts.value(0));
            const DataPacket second = toPacket(parts.value(1));
            restrictions.clear();
            medicines.clear();
            for (int row = 0; row < first.rows.size(); ++row)
                restrictions.append(first.value(row, u"IDRESTINTO").toString() + '|' +
                                    first.value(row, u"NMSUBGRPROD").toString() + '|' +
                                    first.value(row, u"NMDIAGNOST").toString());
            for (int row = 0; row < second.rows.size(); ++row)
                medicines.append(second.value(row, u"NMMEDICAMENT").toString() + '|' +
                                 second.value(row, u"NMPRINATIV").toString() + '|' +
                                 second.value(row, u"NMNUTRIENTE").toString());
            return args[5].toString() == QString::fromUtf8(dish); // by reference, unchanged
        };
        QStringList restrictions, medicines;
        QVERIFY(view("P001", today.addDays(-5), "", restrictions, medicines));
        QCOMPARE(restrictions, QStringList({"R|Açúcar|Diabetes", "I|Glúten|Doença celíaca"}));
        QCOMPARE(medicines, QStringList());
        QVERIFY(view("P001", today.addDays(-5), "01.01.001", restrictions, medicines));
        QCOMPARE(restrictions, QStringList({"I|Glúten|Doença celíaca"}));

        QVERIFY(view("P002", today.addDays(-3), "", restrictions, medicines));
        QCOMPARE(restrictions, QStringList());
        QCOMPARE(medicines, QStringList({"Losartana 50 mg|Losartana potássica|Potássio"}));
        QVERIFY(view("P002", today.addDays(-3), "02.01.001", restrictions, medicines));
        QCOMPARE(medicines, QStringList()); // rice has no potassium to speak of
        // Carla's medicine ended yesterday.
        QVERIFY(view("P003", today.addDays(-1), "", restrictions, medicines));
        QCOMPARE(medicines, QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_MainScreenReads)
#include "tst_mainscreenreads.moc"
