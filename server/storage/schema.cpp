// The hospital database of the oral diet server.
//
// Storage conventions (the same table and column names on SQLite and PostgreSQL):
// - Texts and codes: VARCHAR(n). PostgreSQL enforces n; on SQLite each VARCHAR(n) column
//   becomes TEXT with CHECK (length(col) <= n), so an over-long code fails on both engines.
//   Codes are stored exactly as the module shows them ("0001", "01.02.003"); '' is not NULL.
// - Dates (DATE): PostgreSQL DATE; SQLite TEXT 'yyyy-MM-dd' (what QtSql writes for a bound
//   QDate), checked by a GLOB constraint. Bind QDate, never QDateTime, to a DATE column.
// - Date-times (TIMESTAMPTZ): PostgreSQL TIMESTAMPTZ, since QtSql sends a QDateTime as UTC
//   and a plain TIMESTAMP column would drop the offset and shift local times; SQLite TEXT
//   'yyyy-MM-ddTHH:mm:ss[.zzz]' (what QtSql writes for a bound QDateTime). Bind QDateTime;
//   compare what comes back as instants (QDateTime ==), not as texts.
// - Numbers: INTEGER for counters and orders, DOUBLE PRECISION for quantities, hours and
//   nutrient amounts (both engines hand back a double).
// - Flags: VARCHAR(1) "S"/"N" unless a column says otherwise.
// - No foreign keys: SQLite enforces them only per connection, so the methods delete
//   children (CONFESCO) before parents (SERVINTE) themselves, on both engines alike.
// - PostgreSQL folds the unquoted names to lower case; read fields by name case-insensitively.
//
// Tables (key in brackets):
//
// Lookup tables
// FILIAL [CDFILIAL]: branches. NMFILIAL name.
// GRUPSERV [CDGRUPSERV]: service groups (3 characters). NMGRUPSERV name.
// SERVICO [CDFILIAL, CDSERVFILI]: hospital services of a branch. NMSERVICO name; CDGRUPSERV
//   group or NULL; IDTIPOSERV "A", "D" (menu by diet) or "N" (menu of the service, whatever
//   the diet; its cards use the diet code kServiceCardDiet); IDTPSERVHOSP hospital-service
//   kind, NULL or "1"/"2" (services without diets, hidden from the module) or "3".
// DIETGRUP [CDDIETGRUP]: diet groups. NMDIETGRUP name. Group codes never equal a diet code,
//   since a menu card is keyed by either.
// DIETPADR [CDDIETPAD]: standard diets. DSDIETPAD name; CDDIETGRUP group or NULL; IDFORMDIET
//   kind: "1" formula (consumption times), "2" enteral, "3" quantity, "4" free composition,
//   "5" menu diet; IDDIETESPE "S" special diet (copied only on request).
// DIETSERV [CDFILIAL, CDSERVFILI, CDDIETPAD]: diets allowed in a service of a branch.
// OPERADOR [CDOPERADOR]: operators of the host. NMOPERADOR name.
// NUTRICIO [CDNUTRICIO, CDFILIAL]: operators registered as nutritionists of a branch.
//   NMNUTRICIO name.
// TIPOPRAT [CDTIPOPRAT]: dish types ("01" Desjejum ...). NMTIPOPRAT name.
// PRATO [CDFILAUXPRAT, CDPRATO]: dishes. CDFILAUXPRAT branch of the dish or "P" (valid in
//   every branch); CDPRATO code after the dish-code mask "99.99.999" with its dots: "01" and
//   "01.02" are the levels above the complete dish "01.02.003"; NMPRATO name; CDTIPOPRAT usual
//   dish type or NULL; QTPORCAO grams (or ml) of one portion, NULL for the upper levels.
// PRATSERV [CDFILIAL, CDSERVFILI, CDFILAUXPRAT, CDPRATO]: dishes usable in free composition
//   in a service.
// ANDAR [CDFILIAL, CDANDAR]: floors. NMANDAR name.
// ALA [CDFILIAL, CDALA]: wings. NMALA name.
// LEITO [CDFILIAL, CDLEITO]: beds. NMLEITO name; CDALA wing; CDANDAR floor; CDSERVFILI the
//   service the bed belongs to.
// PADRAOSERV [CDSERPADDIE]: inpatient service standards (3 characters). NMSERPADDIE name.
// GRUPNUTR [CDGRUPNUTR]: nutrient groups. NMGRUPNUTR name.
// NUTRIENTE [CDNUTRIENTE]: nutrients. NMNUTRIENTE name; CDGRUPNUTR group; NMUNIDADE unit
//   ("g", "mg", "mcg"); IDMACRONUT energy share: "P" protein, "C" carbohydrate, "L" lipid,
//   "A" alcohol, "N" none.
// PARADIETO [CDPARADIETO]: the one row (key 1) of diet parameters. IDVCTCALCNUT "S" when the
//   nutrient calculation shows the total caloric value.
// DIAGNOST [CDDIAGNOST]: diagnoses. NMDIAGNOST name.
// SUBGRPROD [CDSUBGRPROD]: product groups (milk, gluten...). NMSUBGRPROD name.
// PRATPROD [CDFILAUXPRAT, CDPRATO, CDSUBGRPROD]: product groups a dish contains.
// PRATNUTR [CDFILAUXPRAT, CDPRATO, CDNUTRIENTE]: QTNUTRPORC amount of the nutrient in one
//   portion of the dish, in the nutrient's unit.
// RESTINTO [CDDIAGNOST, CDSUBGRPROD]: a diagnosis restricts a product group. IDRESTINTO "R"
//   restriction or "I" intolerance.
// MEDICAMENT [CDMEDICAMENT]: medicines. NMMEDICAMENT name.
// PRINATIV [CDPRINATIV]: active ingredients. NMPRINATIV name.
// MEDIPRIN [CDMEDICAMENT, CDPRINATIV]: active ingredients of a medicine.
// PRINNUTR [CDPRINATIV, CDNUTRIENTE]: an active ingredient interacts with a nutrient.
//   QTLIMPORC amount of the nutrient in one portion above which a dish matters (0: any).
//
// Clinical tables
// PACIENTE [CDPACIENTE]: patients. NMPACIENTE name; DTNASCPACI birth date.
// INTERNA [CDFILIAL, CDPACIENTE, DTINTERNA]: stays. DTINTERNA admission date; DTALTA
//   discharge date or NULL while staying; CDSERVFILI current service; CDLEITO bed; CDSERPADDIE
//   service standard; IDTIPOPACI patient type "0".."7"; IDACOMPANH "S" when a companion stays
//   (the companion shares the patient code); NMACOMPANH companion's name or NULL.
// DIAGINTER [CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG]: diagnoses of a stay, in order
//   NRORDDIAG 1, 2...; CDDIAGNOST diagnosis.
// MEDIINTE [CDFILIAL, CDPACIENTE, DTINTERNA, CDMEDICAMENT]: medicines given during a stay.
//   DTINIMEDI first day; DTFIMMEDI last day or NULL.
// PRESDIET [CDFILIAL, CDPACIENTE, DTINTERNA, DTPRESDIET]: a doctor's diet prescription of a
//   stay for a day. CDDIETPAD diet; DSPRESDIET remark; CDMEDICO doctor.
// SERVINTE [CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV]: day records. NRSEQUSERV two digits
//   "01", "02"... taken under this key (retry on a clash); STPACIACOM "0" patient, "1"
//   companion; CDSERVFILI service; CDDIETPAD diet or NULL; DSSERVINTE remark; DSPRESMEDI
//   medical prescription text; IDIMPRSERV print mark "S"/"N"; CDOPERADOR operator of the last
//   change; DTULTALTE time of the last change; NRVERSAO row version (+1 on every update).
// CONFESCO [CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR]: menu choices of a day
//   record, one row per dish. CDSEQUCOPR four digits "0001"...; CDTIPOPRAT dish type;
//   CDFILAUXPRAT, CDPRATO dish; IDESCOCONF "S" chosen; IDOPCAOCONF "S" option of the menu;
//   DSOBSCONF remark; QTPRATCONF quantity (portions); HRCONSCONF consumption start, HRINTECONF
//   interval, HRPERICONF period, all in hours; DTCONSCONF consumption date-time; IDRESTCONF
//   "1" the dish touches a restriction, "0" not; NRVERSAO row version for optimistic
//   concurrency (+1 on every update; an update states the version it read).
// CONFCARD [CDFILIAL, CDSERVFILI, CDTIPOPRAT]: standard menu configuration of a service: its
//   dish types in order NRSEQCNFCARD.
// COMPCARD [CDFILIAL, CDSERVFILI, CDDIETCARD, DTCOMPCARD, CDTIPOPRAT, CDFILAUXPRAT, CDPRATO]:
//   menu cards. CDDIETCARD a diet code, a diet group code, or kServiceCardDiet for a service
//   of kind "N"; DTCOMPCARD day; NRORDPRATCAR order of the dish; IDOPCCNFMES "S" the dish is
//   an option; QTPRATCARD suggested quantity; HRCONSCARD, HRINTECARD, HRPERICARD consumption
//   start, interval and period in hours (formula diets) or NULL.
// DIAGDIET [CDDIAGNOST]: the standard diet a diagnosis calls for. CDDIETPAD diet. The
//   prescription calculation proposes it for a stay that has no diet of the day before.
// AUDIT [NRAUDIT]: every write. DTAUDIT when; CDOPERADOR operator; NMMETODO method;
//   CDFILIAL branch; DSPACIENTES patient codes as a code list ("_P1_P2_"); DSALTERACAO JSON
//   text of what changed. Also every login, every refusal and every list read of patient
//   data: DSENDERECO client address; DSMOTIVO why it was refused ("" for a success);
//   CDSERVFILI, DTSERVINTE, QTLINHAS service, date and rows of a list read; CDCHAMADA a
//   write's random id, looked up when the connection broke during its COMMIT.
// OPERADOR also: DSSENHA the password's Argon2id hash (libsodium's encoded form; NULL: no
//   password, no login); IDATIVO "S" active, "N" disabled.
// SESSAO [CDSESSAO]: open sessions. CDSESSAO digest of the token (the token itself is never
//   stored); CDOPERADOR operator; DSENDERECO address that logged in; NRCRIACAO, NREXPIRA
//   creation and expiry in milliseconds since the epoch (UTC, comparable on both engines).
// FALHALOGIN [NRFALHA]: failed logins for the rate limit. DSCHAVE "O:<operator>" or
//   "A:<address>"; NRMOMENTO when, in milliseconds since the epoch.
// schema_version [version]: one row per applied migration; applied_at when.

#include "server/storage/schema.h"

#include "platform/sqldatabase.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <vector>

namespace dieta::server {

namespace {

struct Migration {
    int version;
    std::vector<const char*> statements;        // both engines, in PostgreSQL spelling
    std::vector<const char*> sqliteOnly = {};   // then these, as they stand
    std::vector<const char*> postgresOnly = {}; // then these, as they stand
};

const std::vector<Migration>& migrations() {
    static const std::vector<Migration> all = {
        {1,
         {
             "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) NOT NULL PRIMARY KEY,"
             " NMFILIAL VARCHAR(30) NOT NULL)",
             "CREATE TABLE GRUPSERV (CDGRUPSERV VARCHAR(3) NOT NULL PRIMARY KEY,"
             " NMGRUPSERV VARCHAR(30) NOT NULL)",
             "CREATE TABLE SERVICO (CDFILIAL VARCHAR(4) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL,"
             " NMSERVICO VARCHAR(40) NOT NULL, CDGRUPSERV VARCHAR(3),"
             " IDTIPOSERV VARCHAR(1) NOT NULL, IDTPSERVHOSP VARCHAR(1),"
             " PRIMARY KEY (CDFILIAL, CDSERVFILI))",
             "CREATE INDEX SERVICO_GRUPO ON SERVICO (CDFILIAL, CDGRUPSERV)",
             "CREATE TABLE DIETGRUP (CDDIETGRUP VARCHAR(4) NOT NULL PRIMARY KEY,"
             " NMDIETGRUP VARCHAR(50) NOT NULL)",
             "CREATE TABLE DIETPADR (CDDIETPAD VARCHAR(4) NOT NULL PRIMARY KEY,"
             " DSDIETPAD VARCHAR(50) NOT NULL, CDDIETGRUP VARCHAR(4),"
             " IDFORMDIET VARCHAR(1) NOT NULL, IDDIETESPE VARCHAR(1) NOT NULL DEFAULT 'N')",
             "CREATE TABLE DIETSERV (CDFILIAL VARCHAR(4) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL,"
             " CDDIETPAD VARCHAR(4) NOT NULL, PRIMARY KEY (CDFILIAL, CDSERVFILI, CDDIETPAD))",
             "CREATE TABLE OPERADOR (CDOPERADOR VARCHAR(12) NOT NULL PRIMARY KEY,"
             " NMOPERADOR VARCHAR(80) NOT NULL)",
             "CREATE TABLE NUTRICIO (CDNUTRICIO VARCHAR(12) NOT NULL, CDFILIAL VARCHAR(4) NOT NULL,"
             " NMNUTRICIO VARCHAR(80), PRIMARY KEY (CDNUTRICIO, CDFILIAL))",
             "CREATE TABLE TIPOPRAT (CDTIPOPRAT VARCHAR(2) NOT NULL PRIMARY KEY,"
             " NMTIPOPRAT VARCHAR(15) NOT NULL)",
             "CREATE TABLE PRATO (CDFILAUXPRAT VARCHAR(4) NOT NULL, CDPRATO VARCHAR(10) NOT NULL,"
             " NMPRATO VARCHAR(40) NOT NULL, CDTIPOPRAT VARCHAR(2), QTPORCAO DOUBLE PRECISION,"
             " PRIMARY KEY (CDFILAUXPRAT, CDPRATO))",
             "CREATE INDEX PRATO_CODIGO ON PRATO (CDPRATO)",
             "CREATE TABLE PRATSERV (CDFILIAL VARCHAR(4) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL,"
             " CDFILAUXPRAT VARCHAR(4) NOT NULL, CDPRATO VARCHAR(10) NOT NULL,"
             " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDFILAUXPRAT, CDPRATO))",
             "CREATE TABLE ANDAR (CDFILIAL VARCHAR(4) NOT NULL, CDANDAR VARCHAR(20) NOT NULL,"
             " NMANDAR VARCHAR(40) NOT NULL, PRIMARY KEY (CDFILIAL, CDANDAR))",
             "CREATE TABLE ALA (CDFILIAL VARCHAR(4) NOT NULL, CDALA VARCHAR(12) NOT NULL,"
             " NMALA VARCHAR(40) NOT NULL, PRIMARY KEY (CDFILIAL, CDALA))",
             "CREATE TABLE LEITO (CDFILIAL VARCHAR(4) NOT NULL, CDLEITO VARCHAR(12) NOT NULL,"
             " NMLEITO VARCHAR(40) NOT NULL, CDALA VARCHAR(12) NOT NULL,"
             " CDANDAR VARCHAR(20) NOT NULL, CDSERVFILI VARCHAR(5),"
             " PRIMARY KEY (CDFILIAL, CDLEITO))",
             "CREATE TABLE PADRAOSERV (CDSERPADDIE VARCHAR(3) NOT NULL PRIMARY KEY,"
             " NMSERPADDIE VARCHAR(30) NOT NULL)",
             "CREATE TABLE GRUPNUTR (CDGRUPNUTR VARCHAR(2) NOT NULL PRIMARY KEY,"
             " NMGRUPNUTR VARCHAR(20) NOT NULL)",
             "CREATE TABLE NUTRIENTE (CDNUTRIENTE VARCHAR(3) NOT NULL PRIMARY KEY,"
             " NMNUTRIENTE VARCHAR(28) NOT NULL, CDGRUPNUTR VARCHAR(2) NOT NULL,"
             " NMUNIDADE VARCHAR(5) NOT NULL, IDMACRONUT VARCHAR(1) NOT NULL DEFAULT 'N')",
             "CREATE TABLE PARADIETO (CDPARADIETO INTEGER NOT NULL PRIMARY KEY,"
             " IDVCTCALCNUT VARCHAR(1) NOT NULL)",
             "CREATE TABLE DIAGNOST (CDDIAGNOST VARCHAR(10) NOT NULL PRIMARY KEY,"
             " NMDIAGNOST VARCHAR(250) NOT NULL)",
             "CREATE TABLE SUBGRPROD (CDSUBGRPROD VARCHAR(6) NOT NULL PRIMARY KEY,"
             " NMSUBGRPROD VARCHAR(60) NOT NULL)",
             "CREATE TABLE PRATPROD (CDFILAUXPRAT VARCHAR(4) NOT NULL, CDPRATO VARCHAR(10) NOT "
             "NULL,"
             " CDSUBGRPROD VARCHAR(6) NOT NULL, PRIMARY KEY (CDFILAUXPRAT, CDPRATO, CDSUBGRPROD))",
             "CREATE TABLE PRATNUTR (CDFILAUXPRAT VARCHAR(4) NOT NULL, CDPRATO VARCHAR(10) NOT "
             "NULL,"
             " CDNUTRIENTE VARCHAR(3) NOT NULL, QTNUTRPORC DOUBLE PRECISION NOT NULL,"
             " PRIMARY KEY (CDFILAUXPRAT, CDPRATO, CDNUTRIENTE))",
             "CREATE TABLE RESTINTO (CDDIAGNOST VARCHAR(10) NOT NULL, CDSUBGRPROD VARCHAR(6) NOT "
             "NULL,"
             " IDRESTINTO VARCHAR(1) NOT NULL, PRIMARY KEY (CDDIAGNOST, CDSUBGRPROD))",
             "CREATE TABLE MEDICAMENT (CDMEDICAMENT VARCHAR(10) NOT NULL PRIMARY KEY,"
             " NMMEDICAMENT VARCHAR(80) NOT NULL)",
             "CREATE TABLE PRINATIV (CDPRINATIV VARCHAR(10) NOT NULL PRIMARY KEY,"
             " NMPRINATIV VARCHAR(80) NOT NULL)",
             "CREATE TABLE MEDIPRIN (CDMEDICAMENT VARCHAR(10) NOT NULL,"
             " CDPRINATIV VARCHAR(10) NOT NULL, PRIMARY KEY (CDMEDICAMENT, CDPRINATIV))",
             "CREATE TABLE PRINNUTR (CDPRINATIV VARCHAR(10) NOT NULL,"
             " CDNUTRIENTE VARCHAR(3) NOT NULL, PRIMARY KEY (CDPRINATIV, CDNUTRIENTE))",

             "CREATE TABLE PACIENTE (CDPACIENTE VARCHAR(12) NOT NULL PRIMARY KEY,"
             " NMPACIENTE VARCHAR(80) NOT NULL, DTNASCPACI DATE)",
             "CREATE TABLE INTERNA (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT NULL,"
             " DTINTERNA DATE NOT NULL, DTALTA DATE, CDSERVFILI VARCHAR(5) NOT NULL,"
             " CDLEITO VARCHAR(12), CDSERPADDIE VARCHAR(3), IDTIPOPACI VARCHAR(1) NOT NULL,"
             " IDACOMPANH VARCHAR(1) NOT NULL DEFAULT 'N', NMACOMPANH VARCHAR(80),"
             " PRIMARY KEY (CDFILIAL, CDPACIENTE, DTINTERNA))",
             "CREATE INDEX INTERNA_SERVICO ON INTERNA (CDFILIAL, CDSERVFILI, DTALTA)",
             "CREATE TABLE DIAGINTER (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT "
             "NULL,"
             " DTINTERNA DATE NOT NULL, NRORDDIAG INTEGER NOT NULL, CDDIAGNOST VARCHAR(10) NOT "
             "NULL,"
             " PRIMARY KEY (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG))",
             "CREATE TABLE MEDIINTE (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT NULL,"
             " DTINTERNA DATE NOT NULL, CDMEDICAMENT VARCHAR(10) NOT NULL, DTINIMEDI DATE NOT NULL,"
             " DTFIMMEDI DATE, PRIMARY KEY (CDFILIAL, CDPACIENTE, DTINTERNA, CDMEDICAMENT))",
             "CREATE TABLE PRESDIET (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT NULL,"
             " DTINTERNA DATE NOT NULL, DTPRESDIET DATE NOT NULL, CDDIETPAD VARCHAR(4) NOT NULL,"
             " DSPRESDIET VARCHAR(80), CDMEDICO VARCHAR(12),"
             " PRIMARY KEY (CDFILIAL, CDPACIENTE, DTINTERNA, DTPRESDIET))",
             "CREATE INDEX PRESDIET_DATA ON PRESDIET (CDFILIAL, DTPRESDIET)",
             "CREATE TABLE SERVINTE (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT NULL,"
             " DTSERVINTE DATE NOT NULL, NRSEQUSERV VARCHAR(2) NOT NULL,"
             " STPACIACOM VARCHAR(1) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL, CDDIETPAD "
             "VARCHAR(4),"
             " DSSERVINTE VARCHAR(255), DSPRESMEDI VARCHAR(40),"
             " IDIMPRSERV VARCHAR(1) NOT NULL DEFAULT 'N', CDOPERADOR VARCHAR(12),"
             " DTULTALTE TIMESTAMPTZ, NRVERSAO INTEGER NOT NULL DEFAULT 1,"
             " PRIMARY KEY (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV))",
             "CREATE INDEX SERVINTE_DIA ON SERVINTE (CDFILIAL, DTSERVINTE, CDSERVFILI)",
             "CREATE TABLE CONFESCO (CDFILIAL VARCHAR(4) NOT NULL, CDPACIENTE VARCHAR(12) NOT NULL,"
             " DTSERVINTE DATE NOT NULL, NRSEQUSERV VARCHAR(2) NOT NULL,"
             " CDSEQUCOPR VARCHAR(4) NOT NULL, CDTIPOPRAT VARCHAR(2), CDPRATO VARCHAR(10),"
             " CDFILAUXPRAT VARCHAR(4), IDESCOCONF VARCHAR(1) NOT NULL DEFAULT 'N',"
             " IDOPCAOCONF VARCHAR(1) NOT NULL DEFAULT 'N', DSOBSCONF VARCHAR(255),"
             " QTPRATCONF DOUBLE PRECISION, HRCONSCONF DOUBLE PRECISION,"
             " HRINTECONF DOUBLE PRECISION, HRPERICONF DOUBLE PRECISION, DTCONSCONF TIMESTAMPTZ,"
             " IDRESTCONF VARCHAR(1) NOT NULL DEFAULT '0', NRVERSAO INTEGER NOT NULL DEFAULT 1,"
             " PRIMARY KEY (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR))",
             "CREATE TABLE CONFCARD (CDFILIAL VARCHAR(4) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL,"
             " CDTIPOPRAT VARCHAR(2) NOT NULL, NRSEQCNFCARD INTEGER NOT NULL,"
             " PRIMARY KEY (CDFILIAL, CDSERVFILI, CDTIPOPRAT))",
             "CREATE TABLE COMPCARD (CDFILIAL VARCHAR(4) NOT NULL, CDSERVFILI VARCHAR(5) NOT NULL,"
             " CDDIETCARD VARCHAR(4) NOT NULL, DTCOMPCARD DATE NOT NULL,"
             " CDTIPOPRAT VARCHAR(2) NOT NULL, CDFILAUXPRAT VARCHAR(4) NOT NULL,"
             " CDPRATO VARCHAR(10) NOT NULL, NRORDPRATCAR INTEGER NOT NULL,"
             " IDOPCCNFMES VARCHAR(1) NOT NULL DEFAULT 'N', QTPRATCARD DOUBLE PRECISION,"
             " HRCONSCARD DOUBLE PRECISION, HRINTECARD DOUBLE PRECISION,"
             " HRPERICARD DOUBLE PRECISION, PRIMARY KEY (CDFILIAL, CDSERVFILI, CDDIETCARD,"
             " DTCOMPCARD, CDTIPOPRAT, CDFILAUXPRAT, CDPRATO))",
             "CREATE TABLE AUDIT (NRAUDIT IDENTITY_KEY, DTAUDIT TIMESTAMPTZ NOT NULL,"
             " CDOPERADOR VARCHAR(12) NOT NULL, NMMETODO VARCHAR(40) NOT NULL,"
             " CDFILIAL VARCHAR(4), DSPACIENTES TEXT, DSALTERACAO TEXT)",
             "CREATE INDEX AUDIT_DATA ON AUDIT (DTAUDIT)",
         }},
        {2,
         {
             "ALTER TABLE PRINNUTR ADD COLUMN QTLIMPORC DOUBLE PRECISION NOT NULL DEFAULT 0",
         }},
        {3,
         {
             "CREATE TABLE DIAGDIET (CDDIAGNOST VARCHAR(10) NOT NULL PRIMARY KEY,"
             " CDDIETPAD VARCHAR(4) NOT NULL)",
         }},
        {4,
         {
             "ALTER TABLE OPERADOR ADD COLUMN DSSENHA VARCHAR(255)",
             "ALTER TABLE OPERADOR ADD COLUMN IDATIVO VARCHAR(1) NOT NULL DEFAULT 'S'",
             "CREATE TABLE SESSAO (CDSESSAO VARCHAR(64) NOT NULL PRIMARY KEY,"
             " CDOPERADOR VARCHAR(12) NOT NULL, DSENDERECO VARCHAR(64),"
             " NRCRIACAO BIGINT NOT NULL, NREXPIRA BIGINT NOT NULL)",
             "CREATE INDEX SESSAO_OPERADOR ON SESSAO (CDOPERADOR)",
             "CREATE TABLE FALHALOGIN (NRFALHA IDENTITY_KEY, DSCHAVE VARCHAR(80) NOT NULL,"
             " NRMOMENTO BIGINT NOT NULL)",
             "CREATE INDEX FALHALOGIN_CHAVE ON FALHALOGIN (DSCHAVE, NRMOMENTO)",
             "ALTER TABLE AUDIT ADD COLUMN DSENDERECO VARCHAR(64)",
             "ALTER TABLE AUDIT ADD COLUMN DSMOTIVO VARCHAR(200)",
             "ALTER TABLE AUDIT ADD COLUMN CDSERVFILI VARCHAR(5)",
             "ALTER TABLE AUDIT ADD COLUMN DTSERVINTE DATE",
             "ALTER TABLE AUDIT ADD COLUMN QTLINHAS INTEGER",
         }},
        {5,
         {
             "ALTER TABLE AUDIT ADD COLUMN CDCHAMADA VARCHAR(32)",
             "CREATE INDEX AUDIT_CHAMADA ON AUDIT (CDCHAMADA)",
         }},
        // The branch's diagnoses on every list load: the stays and their diagnoses read from
        // the indexes alone, without a fetch of each table row.
        {6,
         {
             "CREATE INDEX INTERNA_ALTA ON INTERNA (CDFILIAL, CDPACIENTE, DTINTERNA, DTALTA)",
             "CREATE INDEX DIAGINTER_DIAGNOSTICO ON DIAGINTER"
             " (CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG, CDDIAGNOST)",
         }},
        // A count of the committed changes of each table that a kept answer is read from, so
        // that the answer is known current with one look (server/methods/answercache.h). Kept
        // by triggers: other systems write the stays and diagnoses too.
        {7,
         {
             "CREATE TABLE VERSAODADO (NMTABELA VARCHAR(30) NOT NULL PRIMARY KEY,"
             " NRVERSAO BIGINT NOT NULL)",
             "INSERT INTO VERSAODADO (NMTABELA, NRVERSAO) VALUES ('INTERNA', 1), ('DIAGINTER', 1),"
             " ('DIAGNOST', 1)",
         },
         {
             "CREATE TRIGGER INTERNA_VERSAO_I AFTER INSERT ON INTERNA BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'INTERNA'; END",
             "CREATE TRIGGER INTERNA_VERSAO_U AFTER UPDATE ON INTERNA BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'INTERNA'; END",
             "CREATE TRIGGER INTERNA_VERSAO_D AFTER DELETE ON INTERNA BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'INTERNA'; END",
             "CREATE TRIGGER DIAGINTER_VERSAO_I AFTER INSERT ON DIAGINTER BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGINTER'; END",
             "CREATE TRIGGER DIAGINTER_VERSAO_U AFTER UPDATE ON DIAGINTER BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGINTER'; END",
             "CREATE TRIGGER DIAGINTER_VERSAO_D AFTER DELETE ON DIAGINTER BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGINTER'; END",
             "CREATE TRIGGER DIAGNOST_VERSAO_I AFTER INSERT ON DIAGNOST BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGNOST'; END",
             "CREATE TRIGGER DIAGNOST_VERSAO_U AFTER UPDATE ON DIAGNOST BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGNOST'; END",
             "CREATE TRIGGER DIAGNOST_VERSAO_D AFTER DELETE ON DIAGNOST BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'DIAGNOST'; END",
         },
         {
             // The row stays locked to the writer's commit, so a reader never sees a count
             // ahead of the rows it counts.
             "CREATE FUNCTION versaodado_conta() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
             " UPDATE VERSAODADO SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = upper(TG_TABLE_NAME);"
             " RETURN NULL; END $$",
             "CREATE TRIGGER INTERNA_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " INTERNA FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER DIAGINTER_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " DIAGINTER FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER DIAGNOST_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " DIAGNOST FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
         }},
        // The restriction flag of the list is kept too (server/methods/restrictedstays.h): it
        // is read from the stays' diagnoses and medicines and from what restricts them. So is
        // a service's standard configuration. On PostgreSQL every count is also announced
        // (server/storage/changelistener.h).
        {8,
         {
             "INSERT INTO VERSAODADO (NMTABELA, NRVERSAO) VALUES ('RESTINTO', 1), ('MEDIINTE', 1),"
             " ('MEDIPRIN', 1), ('PRINNUTR', 1), ('CONFCARD', 1), ('TIPOPRAT', 1)",
         },
         {
             "CREATE TRIGGER RESTINTO_VERSAO_I AFTER INSERT ON RESTINTO BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'RESTINTO'; END",
             "CREATE TRIGGER RESTINTO_VERSAO_U AFTER UPDATE ON RESTINTO BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'RESTINTO'; END",
             "CREATE TRIGGER RESTINTO_VERSAO_D AFTER DELETE ON RESTINTO BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'RESTINTO'; END",
             "CREATE TRIGGER MEDIINTE_VERSAO_I AFTER INSERT ON MEDIINTE BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIINTE'; END",
             "CREATE TRIGGER MEDIINTE_VERSAO_U AFTER UPDATE ON MEDIINTE BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIINTE'; END",
             "CREATE TRIGGER MEDIINTE_VERSAO_D AFTER DELETE ON MEDIINTE BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIINTE'; END",
             "CREATE TRIGGER MEDIPRIN_VERSAO_I AFTER INSERT ON MEDIPRIN BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIPRIN'; END",
             "CREATE TRIGGER MEDIPRIN_VERSAO_U AFTER UPDATE ON MEDIPRIN BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIPRIN'; END",
             "CREATE TRIGGER MEDIPRIN_VERSAO_D AFTER DELETE ON MEDIPRIN BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'MEDIPRIN'; END",
             "CREATE TRIGGER PRINNUTR_VERSAO_I AFTER INSERT ON PRINNUTR BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'PRINNUTR'; END",
             "CREATE TRIGGER PRINNUTR_VERSAO_U AFTER UPDATE ON PRINNUTR BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'PRINNUTR'; END",
             "CREATE TRIGGER PRINNUTR_VERSAO_D AFTER DELETE ON PRINNUTR BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'PRINNUTR'; END",
             "CREATE TRIGGER CONFCARD_VERSAO_I AFTER INSERT ON CONFCARD BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'CONFCARD'; END",
             "CREATE TRIGGER CONFCARD_VERSAO_U AFTER UPDATE ON CONFCARD BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'CONFCARD'; END",
             "CREATE TRIGGER CONFCARD_VERSAO_D AFTER DELETE ON CONFCARD BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'CONFCARD'; END",
             "CREATE TRIGGER TIPOPRAT_VERSAO_I AFTER INSERT ON TIPOPRAT BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'TIPOPRAT'; END",
             "CREATE TRIGGER TIPOPRAT_VERSAO_U AFTER UPDATE ON TIPOPRAT BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'TIPOPRAT'; END",
             "CREATE TRIGGER TIPOPRAT_VERSAO_D AFTER DELETE ON TIPOPRAT BEGIN UPDATE VERSAODADO"
             " SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA = 'TIPOPRAT'; END",
         },
         {
             "CREATE TRIGGER RESTINTO_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " RESTINTO FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER MEDIINTE_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " MEDIINTE FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER MEDIPRIN_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " MEDIPRIN FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER PRINNUTR_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " PRINNUTR FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER CONFCARD_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " CONFCARD FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             "CREATE TRIGGER TIPOPRAT_VERSAO AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON"
             " TIPOPRAT FOR EACH STATEMENT EXECUTE FUNCTION versaodado_conta()",
             // Delivered at commit, once a transaction for each table.
             "CREATE OR REPLACE FUNCTION versaodado_conta() RETURNS trigger LANGUAGE plpgsql AS"
             " $$ BEGIN UPDATE VERSAODADO SET NRVERSAO = NRVERSAO + 1 WHERE NMTABELA ="
             " upper(TG_TABLE_NAME); PERFORM pg_notify('versaodado', upper(TG_TABLE_NAME));"
             " RETURN NULL; END $$",
         }},
    };
    return all;
}

// Rewrites a statement in PostgreSQL spelling for SQLite, keeping lengths and formats checked.
QString forSqlite(QString sql) {
    static const QRegularExpression varchar(QStringLiteral(R"((\w+) VARCHAR\((\d+)\))"));
    static const QRegularExpression date(QStringLiteral(R"((\w+) DATE\b)"));
    static const QRegularExpression timestamp(QStringLiteral(R"((\w+) TIMESTAMPTZ\b)"));
    sql.replace(QStringLiteral("IDENTITY_KEY"),
                QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
    sql.replace(varchar, QStringLiteral(R"(\1 TEXT CHECK (length(\1) <= \2))"));
    sql.replace(
        date,
        QStringLiteral(R"(\1 TEXT CHECK (\1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'))"));
    sql.replace(
        timestamp,
        QStringLiteral(
            R"(\1 TEXT CHECK (\1 GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]*'))"));
    return sql;
}

QString forPostgres(QString sql) {
    sql.replace(QStringLiteral("IDENTITY_KEY"),
                QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    return sql;
}

void exec(QSqlDatabase& conn, const QString& sql) {
    QSqlQuery query(conn);
    if (!query.exec(sql))
        throw SqlError(QStringLiteral("migration failed: %1 [%2]")
                           .arg(query.lastError().text(), sql.left(120))
                           .toStdString());
}

bool hasVersionTable(QSqlDatabase& conn) {
    return conn.tables().contains(QStringLiteral("schema_version"), Qt::CaseInsensitive);
}

int currentVersion(QSqlDatabase& conn) {
    if (!hasVersionTable(conn))
        return 0;
    QSqlQuery query(conn);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        throw SqlError(query.lastError().text().toStdString());
    return query.value(0).isNull() ? 0 : query.value(0).toInt();
}

void apply(QSqlDatabase& conn, SqlEngine engine, const Migration& migration) {
    for (const char* statement : migration.statements) {
        const QString sql = QString::fromUtf8(statement);
        exec(conn, engine == SqlEngine::SQLite ? forSqlite(sql) : forPostgres(sql));
    }
    for (const char* statement :
         engine == SqlEngine::SQLite ? migration.sqliteOnly : migration.postgresOnly)
        exec(conn, QString::fromUtf8(statement));
    QSqlQuery insert(conn);
    insert.prepare(
        QStringLiteral("INSERT INTO schema_version (version, applied_at) VALUES (?, ?)"));
    insert.addBindValue(migration.version);
    insert.addBindValue(QDateTime::currentDateTime());
    if (!insert.exec())
        throw SqlError(insert.lastError().text().toStdString());
}

// Applies the next pending migration in its own transaction; false when none was pending.
// Two processes starting at once: SQLite's BEGIN IMMEDIATE and PostgreSQL's advisory lock let
// one of them migrate while the other waits and then finds the work done.
bool applyNext(SqlDatabase& db) {
    WriteTransaction transaction(db);
    QSqlDatabase conn = transaction.connection();
    if (db.engine() == SqlEngine::PostgreSQL)
        exec(conn, QStringLiteral("SELECT pg_advisory_xact_lock(13000)"));
    if (!hasVersionTable(conn)) {
        const QString create = QStringLiteral("CREATE TABLE schema_version"
                                              " (version INTEGER NOT NULL PRIMARY KEY,"
                                              " applied_at TIMESTAMPTZ NOT NULL)");
        exec(conn, db.engine() == SqlEngine::SQLite ? forSqlite(create) : forPostgres(create));
    }
    const int current = currentVersion(conn);
    for (const Migration& migration : migrations()) {
        if (migration.version > current) {
            apply(conn, db.engine(), migration);
            transaction.commit();
            return true;
        }
    }
    transaction.commit();
    return false;
}

} // namespace

void migrate(SqlDatabase& db) {
    while (applyNext(db)) {
    }
    // The module's Oracle texts call NVL and INSTR; PostgreSQL lacks them.
    if (db.engine() == SqlEngine::PostgreSQL)
        installPostgresFunctions(db.connection());
}

int latestSchemaVersion() {
    return migrations().back().version;
}

int schemaVersion(SqlDatabase& db) {
    QSqlDatabase conn = db.connection();
    return currentVersion(conn);
}

} // namespace dieta::server
