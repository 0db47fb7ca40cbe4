// The demo hospital: the module's lookup queries (their Oracle texts, run as the module runs
// them) answer the expected rows, the generator is deterministic, and every case the methods'
// tests and a demonstration need is present and coherent.

#include "platform/sqldatabase.h"
#include "screen/Cli_zfa13000_sql.h"
#include "server/demo/demodata.h"
#include "server/storage/schema.h"
#include "tests/support/testdatabase.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <thread>

using namespace dieta;
using namespace dieta::server;
using dieta::test::TestDatabase;

namespace {

const QDate today(2026, 12, 7);

DemoOptions tinyHospital(std::uint32_t seed = 13000) {
    DemoOptions options;
    options.inpatients = 20;
    options.seed = seed;
    options.today = today;
    return options;
}

// Runs a text with Qt's own named binding, as the module's queries do.
QList<QStringList> rows(const QSqlDatabase& conn, const QString& sql,
                        const QVariantMap& values = {}) {
    QSqlQuery query(conn);
    if (!query.prepare(sql))
        qFatal("prepare: %s", qPrintable(query.lastError().text()));
    for (auto it = values.begin(); it != values.end(); ++it)
        query.bindValue(u':' + it.key(), it.value());
    if (!query.exec())
        qFatal("exec: %s", qPrintable(query.lastError().text()));
    QList<QStringList> result;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << (query.value(i).isNull() ? QString() : query.value(i).toString());
        result << row;
    }
    return result;
}

QStringList column(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values = {}) {
    QStringList result;
    for (const QStringList& row : rows(conn, sql, values))
        result << row.value(0);
    return result;
}

int count(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values = {}) {
    return column(conn, sql, values).value(0).toInt();
}

// The screen's own lookup texts, as SQLite and PostgreSQL run them.
const QString qryServico = Cli_zfa13000::sql::servico().oracle.join('\n');
const QString qryGrupoServico = Cli_zfa13000::sql::grupoServico().oracle.join('\n');
const QString qryNutricio = Cli_zfa13000::sql::nutricio().oracle.join('\n');
const QString qryDieta = Cli_zfa13000::sql::dieta().oracle.join('\n');
const QString qryFilial = Cli_zfa13000::sql::filial().oracle.join('\n');

const QString qryServicoDoGrupo = R"(SELECT CDFILIAL, CDSERVFILI, NMSERVICO
  FROM SERVICO
 WHERE (CDFILIAL   = :P_CDFILIAL)
   AND (IDTIPOSERV IN ('A','D','N'))
   AND (IDTPSERVHOSP IS NULL OR IDTPSERVHOSP NOT IN('1', '2'))
   AND EXISTS (SELECT 1
                 FROM GRUPSERV
                WHERE ((CDGRUPSERV = :P_CDGRUPSERV) or ('T' = :P_TCDGRUPSERV))
                  AND GRUPSERV.CDGRUPSERV = SERVICO.CDGRUPSERV)
 ORDER BY CDSERVFILI)";

const QString qryLeito = R"(SELECT CDLEITO, NMLEITO
FROM LEITO
WHERE (CDFILIAL = :P_CDFILIAL) AND
      ((INSTR(:P_CDALA, '_'||LEITO.CDALA||'_') <> 0) OR :P_TCDALA = 'T') AND
      ((INSTR(:P_CDANDAR, '_'||LEITO.CDANDAR||'_') <> 0) OR :P_TCDANDAR = 'T')
ORDER BY CDLEITO)";

const QString qryGrupo = R"(SELECT
   CDGRUPNUTR,
   NMGRUPNUTR
FROM
   GRUPNUTR
WHERE
   CDGRUPNUTR = NVL(:P_CDGRUPO,CDGRUPNUTR)
ORDER BY
   CDGRUPNUTR)";

const QString qryNutriente = R"(SELECT
       CDNUTRIENTE,
       NMNUTRIENTE
FROM NUTRIENTE
WHERE (INSTR(:P_CDGRUPO, CDGRUPNUTR) <> 0 OR :P_TCDGRUPO = 'T')
ORDER BY CDNUTRIENTE)";

const QString qryValidPrato = R"(SELECT CDFILAUXPRAT, CDPRATO, NMPRATO
FROM PRATO
WHERE (CDPRATO      = :P_CDPRATO) AND
      (CDFILAUXPRAT = :P_CDFILIAL OR CDFILAUXPRAT = 'P'))";

const QStringList demoTables = {
    "FILIAL",    "SERVICO",  "DIETSERV", "DIETPADR", "NUTRICIO", "PRATO",    "PRATNUTR",
    "PRATPROD",  "PRATSERV", "ANDAR",    "ALA",      "LEITO",    "PACIENTE", "INTERNA",
    "DIAGINTER", "MEDIINTE", "PRESDIET", "CONFCARD", "COMPCARD", "SERVINTE", "CONFESCO"};

QMap<QString, int> tableCounts(const QSqlDatabase& conn) {
    QMap<QString, int> counts;
    for (const QString& table : demoTables)
        counts[table] = count(conn, "SELECT COUNT(*) FROM " + table);
    return counts;
}

QList<QStringList> firstRows(const QSqlDatabase& conn) {
    QList<QStringList> result;
    result
        << rows(conn, "SELECT CDPACIENTE, NMPACIENTE FROM PACIENTE ORDER BY CDPACIENTE").mid(0, 5);
    result << rows(conn, "SELECT CDPACIENTE, CDLEITO, CDSERVFILI, IDTIPOPACI, IDACOMPANH"
                         " FROM INTERNA ORDER BY CDFILIAL, CDPACIENTE")
                  .mid(0, 5);
    result << rows(conn, "SELECT CDPACIENTE, NRSEQUSERV, CDDIETPAD FROM SERVINTE"
                         " ORDER BY CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV")
                  .mid(0, 5);
    result << rows(conn, "SELECT CDPACIENTE, CDSEQUCOPR, CDPRATO, IDRESTCONF FROM CONFESCO"
                         " ORDER BY CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR")
                  .mid(0, 8);
    return result;
}

} // namespace

class tst_DemoData : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> open(const QString& engine, const DemoOptions& options) {
        auto test = std::make_unique<TestDatabase>(engine);
        migrate(test->db());
        generateDemo(test->db(), options);
        return test;
    }

private slots:
    void lookupQueries_data() { TestDatabase::addEngineRows(); }
    void lookupQueries() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        const auto test = open(engine, tinyHospital());
        const QSqlDatabase conn = test->connection();

        QCOMPARE(rows(conn, qryFilial),
                 (QList<QStringList>{{"0001", "Hospital Central"}, {"0002", "Unidade Norte"}}));

        // Services with diets, without the hospital-service kinds "1" and "2".
        QCOMPARE(column(conn, qryServico,
                        {{"P_CDFILIAL", "0001"}, {"P_CDSERVFILI", ""}, {"P_TCDSERVFILI", "T"}}),
                 (QStringList{"00010", "00020", "00030", "00040", "00050", "00060", "00070"}));
        QCOMPARE(rows(conn, qryServico,
                      {{"P_CDFILIAL", "0001"}, {"P_CDSERVFILI", "00070"}, {"P_TCDSERVFILI", ""}}),
                 (QList<QStringList>{{"00070", "0001", "Lactário", "N"}}));
        QCOMPARE(column(conn, qryServico,
                        {{"P_CDFILIAL", "0001"}, {"P_CDSERVFILI", "00080"}, {"P_TCDSERVFILI", ""}}),
                 QStringList());

        QCOMPARE(column(conn, qryGrupoServico,
                        {{"P_CDFILIAL", "0001"}, {"P_CDGRUPSERV", ""}, {"P_TCDGRUPSERV", "T"}}),
                 (QStringList{"001", "002", "003"}));
        QCOMPARE(rows(conn, qryGrupoServico,
                      {{"P_CDFILIAL", "0002"}, {"P_CDGRUPSERV", "002"}, {"P_TCDGRUPSERV", ""}}),
                 (QList<QStringList>{{"002", "Materno-Infantil"}}));
        QStringList groupServices;
        for (const QStringList& row :
             rows(conn, qryServicoDoGrupo,
                  {{"P_CDFILIAL", "0001"}, {"P_CDGRUPSERV", "001"}, {"P_TCDGRUPSERV", ""}}))
            groupServices << row[1];
        QCOMPARE(groupServices, (QStringList{"00010", "00020", "00050"}));

        QCOMPARE(column(conn, qryNutricio, {{"P_CDNUTRICIO", "NUTRI01"}, {"P_CDFILIAL", "0001"}}),
                 QStringList{"NUTRI01"});
        QCOMPARE(column(conn, qryNutricio, {{"P_CDNUTRICIO", "NUTRI01"}, {"P_CDFILIAL", "0002"}}),
                 QStringList{"NUTRI01"});
        QCOMPARE(column(conn, qryNutricio, {{"P_CDNUTRICIO", "ADMIN01"}, {"P_CDFILIAL", "0001"}}),
                 QStringList());
        QCOMPARE(column(conn, qryNutricio, {{"P_CDNUTRICIO", "NUTRI03"}, {"P_CDFILIAL", "0001"}}),
                 QStringList());

        // A null diet lists every diet of the service but the formula kinds "1" and "2".
        const QVariantMap clinica = {
            {"P_CDDIETPAD", QVariant()}, {"P_CDFILIAL", "0001"}, {"P_CDSERVFILI", "00010"}};
        QCOMPARE(column(conn, qryDieta, clinica),
                 (QStringList{"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                              "0009", "0010", "0014"}));
        QVariantMap oneDiet = clinica;
        oneDiet["P_CDDIETPAD"] = "0005";
        QCOMPARE(rows(conn, qryDieta, oneDiet),
                 (QList<QStringList>{{"0005", "Dieta para Diabéticos", "9003", "5"}}));
        oneDiet["P_CDDIETPAD"] = "0011"; // formula diet: allowed, but not offered
        QCOMPARE(column(conn, qryDieta, oneDiet), QStringList());
        oneDiet["P_CDDIETPAD"] = "0013"; // not allowed in this service
        QCOMPARE(column(conn, qryDieta, oneDiet), QStringList());
    }

    void dialogLookupQueries_data() { TestDatabase::addEngineRows(); }
    void dialogLookupQueries() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        DemoOptions options = tinyHospital();
        options.inpatients = 120; // beds on two floors and in both wings
        const auto test = open(engine, options);
        const QSqlDatabase conn = test->connection();

        const QStringList allBeds = column(conn, qryLeito,
                                           {{"P_CDFILIAL", "0001"},
                                            {"P_CDALA", "T"},
                                            {"P_TCDALA", "T"},
                                            {"P_CDANDAR", "T"},
                                            {"P_TCDANDAR", "T"}});
        const QStringList wingB = column(conn, qryLeito,
                                         {{"P_CDFILIAL", "0001"},
                                          {"P_CDALA", "_B_"},
                                          {"P_TCDALA", ""},
                                          {"P_CDANDAR", "_01_"},
                                          {"P_TCDANDAR", ""}});
        QCOMPARE(allBeds.size(), count(conn, "SELECT COUNT(*) FROM LEITO WHERE CDFILIAL = '0001'"));
        QVERIFY(!wingB.isEmpty());
        QVERIFY(wingB.size() < allBeds.size());
        for (const QString& bed : wingB)
            QVERIFY2(bed.startsWith("01B"), qPrintable(bed));

        QCOMPARE(column(conn, qryGrupo, {{"P_CDGRUPO", QVariant()}}),
                 (QStringList{"01", "02", "03", "04"}));
        QCOMPARE(column(conn, qryGrupo, {{"P_CDGRUPO", "02"}}), QStringList{"02"});
        QCOMPARE(column(conn, qryNutriente, {{"P_CDGRUPO", "01"}, {"P_TCDGRUPO", " "}}),
                 (QStringList{"001", "002", "003", "004", "005"}));
        QCOMPARE(column(conn, qryNutriente, {{"P_CDGRUPO", "T"}, {"P_TCDGRUPO", "T"}}).size(), 12);

        // A dish of one branch is valid only there; "P" dishes everywhere.
        QCOMPARE(column(conn, qryValidPrato, {{"P_CDPRATO", "02.01.008"}, {"P_CDFILIAL", "0001"}}),
                 QStringList());
        QCOMPARE(column(conn, qryValidPrato, {{"P_CDPRATO", "02.01.008"}, {"P_CDFILIAL", "0002"}}),
                 QStringList{"0002"});
        QCOMPARE(column(conn, qryValidPrato, {{"P_CDPRATO", "02.02.001"}, {"P_CDFILIAL", "0002"}}),
                 QStringList{"P"});
        QCOMPARE(column(conn, "SELECT IDVCTCALCNUT\nFROM PARADIETO"), QStringList{"S"});
        QCOMPARE(column(conn, "SELECT CDSERPADDIE, NMSERPADDIE\nFROM PADRAOSERV\nORDER BY "
                              "CDSERPADDIE"),
                 (QStringList{"APT", "BER", "ENF", "UTI"}));
    }

    // The same seed and day give the same hospital; another seed another one; a second run
    // on a filled database adds nothing.
    void deterministic_data() { TestDatabase::addEngineRows(); }
    void deterministic() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        const auto first = open(engine, tinyHospital(7));
        const auto second = open(engine, tinyHospital(7));
        const auto other = open(engine, tinyHospital(8));
        QCOMPARE(tableCounts(first->connection()), tableCounts(second->connection()));
        QCOMPARE(firstRows(first->connection()), firstRows(second->connection()));
        QVERIFY(firstRows(first->connection()) != firstRows(other->connection()));

        const auto before = tableCounts(first->connection());
        generateDemo(first->db(), tinyHospital(9));
        QCOMPARE(tableCounts(first->connection()), before);
    }

    // Two servers asked for demo data on one new database: one hospital, no failure.
    void concurrentGeneration_data() { TestDatabase::addEngineRows(); }
    void concurrentGeneration() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        TestDatabase test(engine);
        migrate(test.db());
        QString errors[2];
        auto start = [&](int index) {
            try {
                generateDemo(test.db(), tinyHospital());
            } catch (const std::exception& error) {
                errors[index] = QString::fromUtf8(error.what());
            }
            test.db().releaseThreadConnection();
        };
        std::thread first(start, 0);
        std::thread second(start, 1);
        first.join();
        second.join();
        QCOMPARE(errors[0], QString());
        QCOMPARE(errors[1], QString());
        TestDatabase single("sqlite");
        migrate(single.db());
        generateDemo(single.db(), tinyHospital());
        QCOMPARE(tableCounts(test.connection()), tableCounts(single.connection()));
    }

    void sizeFollowsOption() {
        TestDatabase small("sqlite");
        migrate(small.db());
        generateDemo(small.db(), tinyHospital());
        TestDatabase large("sqlite");
        migrate(large.db());
        DemoOptions options = tinyHospital();
        options.inpatients = 400;
        generateDemo(large.db(), options);
        const QString active = "SELECT COUNT(*) FROM INTERNA WHERE DTINTERNA <= :D"
                               " AND (DTALTA IS NULL OR DTALTA >= :D)";
        QCOMPARE(count(small.connection(), active, {{"D", today}}), 20);
        QCOMPARE(count(large.connection(), active, {{"D", today}}), 400);
        QVERIFY(count(large.connection(), "SELECT COUNT(*) FROM LEITO") > 400);
    }

    void requiredCases_data() { TestDatabase::addEngineRows(); }
    void requiredCases() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        const auto test = open(engine, tinyHospital());
        const QSqlDatabase conn = test->connection();
        const QVariantMap day = {{"D", today}};
        const QString activeToday = " INTERNA.DTINTERNA <= :D AND (INTERNA.DTALTA IS NULL OR"
                                    " INTERNA.DTALTA >= :D) ";

        // A service with diets and inpatients but no standard configuration.
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM CONFCARD WHERE CDSERVFILI = '00060'"), 0);
        QVERIFY(count(conn,
                      "SELECT COUNT(*) FROM INTERNA WHERE CDSERVFILI = '00060' AND" + activeToday,
                      day) > 0);
        // A group of several services of one branch.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM SERVICO WHERE CDFILIAL = '0001'"
                            " AND CDGRUPSERV = '001'") >= 2);
        // Companions share the patient code; their records are STPACIACOM "1".
        QVERIFY(count(conn, "SELECT COUNT(*) FROM INTERNA WHERE IDACOMPANH = 'S' AND" + activeToday,
                      day) > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM SERVINTE C JOIN SERVINTE P"
                            " ON P.CDFILIAL = C.CDFILIAL AND P.CDPACIENTE = C.CDPACIENTE"
                            " AND P.DTSERVINTE = C.DTSERVINTE AND P.STPACIACOM = '0'"
                            " WHERE C.STPACIACOM = '1'") > 0);
        // Two diagnoses for some stays.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM DIAGINTER WHERE NRORDDIAG = 2") > 0);
        // Diagnoses that call for a standard diet, each a diet that exists, and some that do not.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM DIAGDIET") > 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM DIAGDIET G LEFT JOIN DIETPADR D"
                             " ON D.CDDIETPAD = G.CDDIETPAD WHERE D.CDDIETPAD IS NULL"),
                 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM DIAGNOST N WHERE NOT EXISTS"
                            " (SELECT 1 FROM DIAGDIET G WHERE G.CDDIAGNOST = N.CDDIAGNOST)") > 0);
        // Restrictions and intolerances, and choices they touch.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM RESTINTO WHERE IDRESTINTO = 'R'") > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM RESTINTO WHERE IDRESTINTO = 'I'") > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM CONFESCO WHERE IDRESTCONF = '1'") > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM CONFESCO WHERE IDRESTCONF = '0'") > 0);
        // Medicines that interact with nutrients.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM MEDIINTE M JOIN MEDIPRIN MP"
                            " ON MP.CDMEDICAMENT = M.CDMEDICAMENT JOIN PRINNUTR PN"
                            " ON PN.CDPRINATIV = MP.CDPRINATIV") > 0);
        // An interaction flags the dishes rich in its nutrient, not every dish: patients on
        // an interacting medicine have flagged and unflagged dishes on one day, and some
        // patients have no flagged dish at all.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM PRINNUTR WHERE QTLIMPORC > 0") > 0);
        const QString patientDays =
            "SELECT COUNT(*) FROM (SELECT C.CDPACIENTE FROM CONFESCO C JOIN SERVINTE S ON"
            " S.CDFILIAL = C.CDFILIAL AND S.CDPACIENTE = C.CDPACIENTE AND S.DTSERVINTE ="
            " C.DTSERVINTE AND S.NRSEQUSERV = C.NRSEQUSERV WHERE S.STPACIACOM = '0' AND"
            " EXISTS (SELECT 1 FROM MEDIINTE MI JOIN MEDIPRIN MP ON MP.CDMEDICAMENT ="
            " MI.CDMEDICAMENT JOIN PRINNUTR PN ON PN.CDPRINATIV = MP.CDPRINATIV WHERE"
            " MI.CDFILIAL = C.CDFILIAL AND MI.CDPACIENTE = C.CDPACIENTE AND MI.DTINIMEDI <="
            " C.DTSERVINTE AND (MI.DTFIMMEDI IS NULL OR MI.DTFIMMEDI >= C.DTSERVINTE))"
            " GROUP BY C.CDFILIAL, C.CDPACIENTE, C.DTSERVINTE HAVING %1) X";
        QVERIFY(count(conn,
                      patientDays.arg("MIN(C.IDRESTCONF) = '0' AND MAX(C.IDRESTCONF) = '1'")) > 0);
        QVERIFY(count(conn,
                      "SELECT COUNT(*) FROM (SELECT CDPACIENTE FROM CONFESCO GROUP BY"
                      " CDFILIAL, CDPACIENTE, DTSERVINTE HAVING MAX(IDRESTCONF) = '0') X") > 0);
        // Diets of every kind, special ones among them.
        QCOMPARE(column(conn, "SELECT DISTINCT IDFORMDIET FROM DIETPADR ORDER BY IDFORMDIET"),
                 (QStringList{"1", "2", "3", "4", "5", "6"}));
        QVERIFY(count(conn, "SELECT COUNT(*) FROM DIETPADR WHERE IDDIETESPE = 'S'") > 0);
        // Diet 0002 has only its group's card; the free-composition diet has none.
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM COMPCARD WHERE CDDIETCARD = '0002'"), 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM COMPCARD WHERE CDDIETCARD = '9001'") > 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM COMPCARD C JOIN DIETPADR D"
                             " ON D.CDDIETPAD = C.CDDIETCARD WHERE D.IDFORMDIET = '4'"),
                 0);
        // The formula diet's card carries consumption times; the quantity diet quantities.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM COMPCARD WHERE CDDIETCARD = '0011'"
                            " AND HRCONSCARD IS NOT NULL AND HRINTECARD > 0") > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM COMPCARD WHERE CDDIETCARD = '0009'"
                            " AND QTPRATCARD > 1") > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM CONFESCO WHERE HRCONSCONF IS NOT NULL"
                            " AND DTCONSCONF IS NOT NULL") > 0);
        // The service of kind "N" keeps one card for all diets.
        QVERIFY(count(conn,
                      "SELECT COUNT(*) FROM COMPCARD WHERE CDSERVFILI = '00070'"
                      " AND CDDIETCARD = :K",
                      {{"K", QString::fromLatin1(kServiceCardDiet)}}) > 0);
        QCOMPARE(count(conn,
                       "SELECT COUNT(*) FROM COMPCARD WHERE CDSERVFILI = '00070'"
                       " AND CDDIETCARD <> :K",
                       {{"K", QString::fromLatin1(kServiceCardDiet)}}),
                 0);
        // Cards for a week either side of today.
        QCOMPARE(rows(conn, "SELECT MIN(DTCOMPCARD), MAX(DTCOMPCARD) FROM COMPCARD")
                     .value(0)
                     .replaceInStrings(QRegularExpression("T.*$"), ""),
                 (QStringList{today.addDays(-7).toString(Qt::ISODate),
                              today.addDays(7).toString(Qt::ISODate)}));
        // Day records today and yesterday, prescriptions today, and a stay with no record.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM SERVINTE WHERE DTSERVINTE = :D", day) > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM SERVINTE WHERE DTSERVINTE = :D",
                      {{"D", today.addDays(-1)}}) > 0);
        QVERIFY(count(conn, "SELECT COUNT(*) FROM PRESDIET WHERE DTPRESDIET = :D", day) > 0);
        QVERIFY(count(conn,
                      "SELECT COUNT(*) FROM INTERNA WHERE" + activeToday +
                          "AND NOT EXISTS (SELECT 1 FROM SERVINTE S WHERE"
                          " S.CDFILIAL = INTERNA.CDFILIAL AND S.CDPACIENTE ="
                          " INTERNA.CDPACIENTE AND S.DTSERVINTE = :D)",
                      day) > 0);
        // A quantity diet recorded twice on one day for one patient.
        QVERIFY(count(conn, "SELECT COUNT(*) FROM SERVINTE WHERE STPACIACOM = '0'"
                            " AND NRSEQUSERV <> '01'") > 0);
        // Nutritionists, and an operator who is none.
        QCOMPARE(column(conn, "SELECT CDFILIAL FROM NUTRICIO WHERE CDNUTRICIO = 'NUTRI01'"
                              " ORDER BY CDFILIAL"),
                 (QStringList{"0001", "0002"}));
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = 'ADMIN01'"), 1);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM NUTRICIO WHERE CDNUTRICIO = 'ADMIN01'"), 0);
    }

    // Dishes follow the mask and carry energy-giving nutrients; codes of upper levels exist.
    void dishes_data() { TestDatabase::addEngineRows(); }
    void dishes() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        const auto test = open(engine, tinyHospital());
        const QSqlDatabase conn = test->connection();
        const QRegularExpression mask("^\\d\\d(\\.\\d\\d(\\.\\d\\d\\d)?)?$");
        const QList<QStringList> dishes =
            rows(conn, "SELECT CDPRATO, QTPORCAO FROM PRATO ORDER BY CDPRATO");
        QVERIFY(dishes.size() > 40);
        for (const QStringList& dish : dishes) {
            QVERIFY2(mask.match(dish[0]).hasMatch(), qPrintable(dish[0]));
            // Only complete codes are servings with a portion.
            QCOMPARE(dish[0].size() == 9, !dish[1].isEmpty());
        }
        QCOMPARE(column(conn, "SELECT DISTINCT IDMACRONUT FROM NUTRIENTE ORDER BY IDMACRONUT"),
                 (QStringList{"A", "C", "L", "N", "P"}));
        // Rice: the composition table's cooked white rice, per 100 g.
        QCOMPARE(rows(conn, "SELECT N.IDMACRONUT, P.QTNUTRPORC FROM PRATNUTR P JOIN NUTRIENTE N"
                            " ON N.CDNUTRIENTE = P.CDNUTRIENTE WHERE P.CDPRATO = '02.02.001'"
                            " AND N.IDMACRONUT <> 'N' ORDER BY N.IDMACRONUT"),
                 (QList<QStringList>{{"C", "28.1"}, {"L", "0.2"}, {"P", "2.5"}}));
        QVERIFY(count(conn, "SELECT COUNT(*) FROM PRATNUTR N JOIN NUTRIENTE T"
                            " ON T.CDNUTRIENTE = N.CDNUTRIENTE WHERE T.IDMACRONUT = 'A'") > 0);
    }

    // What the methods rely on: every record's diet is allowed in its service, every choice
    // belongs to a record, every stay's bed and service exist, sequences have their width.
    void coherent_data() { TestDatabase::addEngineRows(); }
    void coherent() {
        QFETCH(QString, engine);
        if (!TestDatabase::available(engine))
            QSKIP("DIETA_TEST_PG not set");
        DemoOptions options = tinyHospital();
        options.inpatients = 120;
        const auto test = open(engine, options);
        const QSqlDatabase conn = test->connection();
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM SERVINTE S WHERE S.CDDIETPAD IS NOT NULL AND"
                             " NOT EXISTS (SELECT 1 FROM DIETSERV D WHERE D.CDFILIAL ="
                             " S.CDFILIAL AND D.CDSERVFILI = S.CDSERVFILI AND D.CDDIETPAD ="
                             " S.CDDIETPAD)"),
                 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM CONFESCO C WHERE NOT EXISTS (SELECT 1 FROM"
                             " SERVINTE S WHERE S.CDFILIAL = C.CDFILIAL AND S.CDPACIENTE ="
                             " C.CDPACIENTE AND S.DTSERVINTE = C.DTSERVINTE AND"
                             " S.NRSEQUSERV = C.NRSEQUSERV)"),
                 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM INTERNA I WHERE NOT EXISTS (SELECT 1 FROM"
                             " LEITO L WHERE L.CDFILIAL = I.CDFILIAL AND L.CDLEITO = I.CDLEITO)"
                             " OR NOT EXISTS (SELECT 1 FROM SERVICO S WHERE S.CDFILIAL ="
                             " I.CDFILIAL AND S.CDSERVFILI = I.CDSERVFILI)"),
                 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM CONFESCO C WHERE NOT EXISTS (SELECT 1 FROM"
                             " PRATO P WHERE P.CDFILAUXPRAT = C.CDFILAUXPRAT AND P.CDPRATO ="
                             " C.CDPRATO)"),
                 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM SERVINTE WHERE LENGTH(NRSEQUSERV) <> 2"), 0);
        QCOMPARE(count(conn, "SELECT COUNT(*) FROM CONFESCO WHERE LENGTH(CDSEQUCOPR) <> 4"), 0);
        // The stored restriction marks are what crossing the dish with the patient's
        // restrictions and the day's medicines gives; companions carry none.
        QCOMPARE(count(conn,
                       "SELECT COUNT(*) FROM CONFESCO C JOIN SERVINTE S ON S.CDFILIAL ="
                       " C.CDFILIAL AND S.CDPACIENTE = C.CDPACIENTE AND S.DTSERVINTE ="
                       " C.DTSERVINTE AND S.NRSEQUSERV = C.NRSEQUSERV JOIN INTERNA I ON"
                       " I.CDFILIAL = C.CDFILIAL AND I.CDPACIENTE = C.CDPACIENTE AND"
                       " I.DTINTERNA <= C.DTSERVINTE AND (I.DTALTA IS NULL OR I.DTALTA >="
                       " C.DTSERVINTE) WHERE C.IDRESTCONF <> CASE WHEN S.STPACIACOM = '0' AND"
                       " (EXISTS (SELECT 1 FROM PRATPROD PP JOIN RESTINTO R ON R.CDSUBGRPROD ="
                       " PP.CDSUBGRPROD JOIN DIAGINTER DI ON DI.CDDIAGNOST = R.CDDIAGNOST"
                       " WHERE PP.CDFILAUXPRAT = C.CDFILAUXPRAT AND PP.CDPRATO = C.CDPRATO AND"
                       " DI.CDFILIAL = I.CDFILIAL AND DI.CDPACIENTE = I.CDPACIENTE AND"
                       " DI.DTINTERNA = I.DTINTERNA) OR EXISTS (SELECT 1 FROM PRATNUTR PT JOIN"
                       " PRINNUTR PN ON PN.CDNUTRIENTE = PT.CDNUTRIENTE JOIN MEDIPRIN MP ON"
                       " MP.CDPRINATIV = PN.CDPRINATIV JOIN MEDIINTE MI ON MI.CDMEDICAMENT ="
                       " MP.CDMEDICAMENT WHERE PT.CDFILAUXPRAT = C.CDFILAUXPRAT AND PT.CDPRATO"
                       " = C.CDPRATO AND PT.QTNUTRPORC > PN.QTLIMPORC AND MI.CDFILIAL ="
                       " I.CDFILIAL AND"
                       " MI.CDPACIENTE = I.CDPACIENTE AND MI.DTINTERNA = I.DTINTERNA AND"
                       " MI.DTINIMEDI <= C.DTSERVINTE AND (MI.DTFIMMEDI IS NULL OR"
                       " MI.DTFIMMEDI >= C.DTSERVINTE))) THEN '1' ELSE '0' END"),
                 0);
        // Two occupants never share a bed on one day.
        QCOMPARE(count(conn,
                       "SELECT COUNT(*) FROM INTERNA A JOIN INTERNA B ON A.CDFILIAL ="
                       " B.CDFILIAL AND A.CDLEITO = B.CDLEITO AND A.CDPACIENTE <"
                       " B.CDPACIENTE WHERE A.DTINTERNA <= :D AND (A.DTALTA IS NULL OR"
                       " A.DTALTA >= :D) AND B.DTINTERNA <= :D AND (B.DTALTA IS NULL OR"
                       " B.DTALTA >= :D)",
                       {{"D", today}}),
                 0);
    }
};

QTEST_GUILESS_MAIN(tst_DemoData)
#include "tst_demodata.moc"
