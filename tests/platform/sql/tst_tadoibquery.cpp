// Lookup queries in four dialects: which text runs, parameters, fields and the rows read,
// with the screen's own lookup texts on small tables, once per engine.

#include "platform/dtmdbgeral.h"
#include "platform/sqldatabase.h"
#include "platform/tadoibquery.h"
#include "screen/Cli_zfa13000_sql.h"
#include "tests/support/testdatabase.h"

#include <QTest>

using namespace dieta;
using namespace dieta::test;
using namespace Qt::StringLiterals;

#define ENGINE_DATABASE(name)                                                                      \
    DIETA_FETCH_ENGINE(engine);                                                                    \
    TestDatabase name(engine);                                                                     \
    createLookupTables(name);                                                                      \
    ScopedGeneralDatabase general(&name.db())

namespace {

// The screen's lookup texts, from the screen's own source.
const QStringList qryServicoSQL = Cli_zfa13000::sql::servico().generic;
const QStringList qryGrupoServicoSQL = Cli_zfa13000::sql::grupoServico().generic;
const QStringList qryNutricioSQL = Cli_zfa13000::sql::nutricio().generic;

void setUpQryDieta(TADOIBQuery& query) {
    query.setObjectName(u"qryDieta"_s);
    const Cli_zfa13000::sql::Dialects texts = Cli_zfa13000::sql::dieta();
    query.SQL = texts.generic;
    query.SQL_ORACLE = texts.oracle;
    query.SQL_MSSQL = texts.mssql;
    query.SQL_IB = texts.interbase;
    TField* code = query.AddField(u"CDDIETPAD"_s, FieldKind::String, 4);
    code->SetRequired(true);
    code->SetDisplayLabel(u"Código"_s);
    query.AddField(u"DSDIETPAD"_s, FieldKind::String, 50)->SetDisplayLabel(u"Nome"_s);
    query.AddField(u"CDDIETGRUP"_s, FieldKind::String, 4)->SetVisible(false);
    query.AddField(u"IDFORMDIET"_s, FieldKind::String, 1)->SetVisible(false);
}

void createLookupTables(TestDatabase& t) {
    if (t.db().engine() == SqlEngine::PostgreSQL)
        installPostgresFunctions(t.connection()); // as the server's migration does
    const QStringList statements{
        u"CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) PRIMARY KEY, NMFILIAL VARCHAR(30))"_s,
        u"CREATE TABLE GRUPSERV (CDGRUPSERV VARCHAR(3) PRIMARY KEY, NMGRUPSERV VARCHAR(30))"_s,
        u"CREATE TABLE SERVICO (CDFILIAL VARCHAR(4), CDSERVFILI VARCHAR(5), NMSERVICO "
        "VARCHAR(40), IDTIPOSERV VARCHAR(1), IDTPSERVHOSP VARCHAR(1), CDGRUPSERV VARCHAR(3))"_s,
        u"CREATE TABLE DIETPADR (CDDIETPAD VARCHAR(4) PRIMARY KEY, DSDIETPAD VARCHAR(50), "
        "CDDIETGRUP VARCHAR(4), IDFORMDIET VARCHAR(1))"_s,
        u"CREATE TABLE DIETSERV (CDFILIAL VARCHAR(4), CDSERVFILI VARCHAR(5), "
        "CDDIETPAD VARCHAR(4))"_s,
        u"CREATE TABLE NUTRICIO (CDNUTRICIO VARCHAR(12), CDFILIAL VARCHAR(4))"_s,
        u"INSERT INTO FILIAL VALUES ('0001', 'Matriz'), ('0002', 'Filial Norte')"_s,
        u"INSERT INTO GRUPSERV VALUES ('G01', 'Clínicas'), ('G02', 'Cirúrgicas'), "
        "('G03', 'Sem serviço')"_s,
        u"INSERT INTO SERVICO VALUES "
        "('0001', '00010', 'Clínica Médica', 'A', NULL, 'G01'), "
        "('0001', '00020', 'Cirurgia Geral', 'D', '3', 'G02'), "
        "('0001', '00030', 'Pronto Socorro', 'A', '1', 'G01'), "
        "('0001', '00040', 'Almoxarifado', 'X', NULL, 'G01'), "
        "('0001', '00050', 'Pediatria', 'N', NULL, 'G02'), "
        "('0002', '00010', 'Clínica Norte', 'A', NULL, 'G03')"_s,
        u"INSERT INTO DIETPADR VALUES "
        "('0001', 'Livre', 'G1', '0'), ('0002', 'Branda', 'G1', '3'), "
        "('0003', 'Enteral', 'G2', '1'), ('0004', 'Pastosa', 'G1', '4'), "
        "('0005', 'Zero', 'G3', '2'), ('0006', 'Hipossódica', 'G1', '0')"_s,
        u"INSERT INTO DIETSERV VALUES "
        "('0001', '00010', '0001'), ('0001', '00010', '0002'), ('0001', '00010', '0003'), "
        "('0001', '00010', '0004'), ('0001', '00010', '0005'), ('0001', '00020', '0001'), "
        "('0001', '00020', '0006'), ('0001', '00030', '0001'), ('0001', '00040', '0001'), "
        "('0001', '00050', '0002'), ('0002', '00010', '0001')"_s,
        u"INSERT INTO NUTRICIO VALUES ('NUTRI01', '0001'), ('NUTRI02', '0002')"_s,
    };
    for (const QString& sql : statements)
        t.exec(sql);
}

QStringList column(TADOIBQuery& query, const QString& field) {
    QStringList values;
    for (query.First(); !query.Eof(); query.Next())
        values.append(query.FieldByName(field)->AsString());
    return values;
}

QStringList openDietas(TADOIBQuery& query, const QVariant& dieta, const QString& servico) {
    query.Close();
    if (dieta.isValid())
        query.ParamByName(u"P_CDDIETPAD"_s)->SetAsString(dieta.toString());
    else
        query.ParamByName(u"P_CDDIETPAD"_s)->Clear();
    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0001"_s);
    query.ParamByName(u"P_CDSERVFILI"_s)->SetAsString(servico);
    query.Open();
    return column(query, u"CDDIETPAD"_s);
}

} // namespace

class tst_TADOIBQuery : public QObject {
    Q_OBJECT

private slots:
    void dialectChoosesText();
    void parametersFollowTheChosenText();
    void emptyAndClearedParametersAreNull();
    void openWithoutDatabaseFails();

    void qryDietaListsAllWhenCodeIsEmpty_data() { addEngineRows(); }
    void qryDietaListsAllWhenCodeIsEmpty();
    void qryServicoAllOrOne_data() { addEngineRows(); }
    void qryServicoAllOrOne();
    void qryGrupoServicoAllOrOne_data() { addEngineRows(); }
    void qryGrupoServicoAllOrOne();
    void qryNutricioFindsTheOperator_data() { addEngineRows(); }
    void qryNutricioFindsTheOperator();
    void repeatedParameter_data() { addEngineRows(); }
    void repeatedParameter();
    void misspeltNamesAreReported_data() { addEngineRows(); }
    void misspeltNamesAreReported();
    void fieldsFromCodeAndFromColumns_data() { addEngineRows(); }
    void fieldsFromCodeAndFromColumns();
    void valuesTakeTheFieldKind_data() { addEngineRows(); }
    void valuesTakeTheFieldKind();
    void textThatIsNotADateIsRefused();
    void cursorWalksTheRows_data() { addEngineRows(); }
    void cursorWalksTheRows();
};

void tst_TADOIBQuery::dialectChoosesText() {
    TADOIBQuery query;
    query.SQL = QStringList{u"generic"_s};
    QCOMPARE(query.ActiveSQL(), u"generic"_s); // no Oracle text: the generic one
    query.SQL_ORACLE = QStringList{u"oracle"_s, u"text"_s};
    query.SQL_MSSQL = QStringList{u"mssql"_s};
    query.SQL_IB = QStringList{u"ib"_s};
    QCOMPARE(query.Dialect(), SqlDialect::Oracle);
    QCOMPARE(query.ActiveSQL(), u"oracle\ntext"_s);
    query.SetDialect(SqlDialect::SqlServer);
    QCOMPARE(query.ActiveSQL(), u"mssql"_s);
    query.SetDialect(SqlDialect::InterBase);
    QCOMPARE(query.ActiveSQL(), u"ib"_s);
    query.SetDialect(SqlDialect::Generic);
    QCOMPARE(query.ActiveSQL(), u"generic"_s);
    query.SQL_MSSQL.clear();
    query.SetDialect(SqlDialect::SqlServer);
    QCOMPARE(query.ActiveSQL(), u"generic"_s);
}

void tst_TADOIBQuery::parametersFollowTheChosenText() {
    TADOIBQuery query;
    setUpQryDieta(query);
    const QStringList expected{u"P_CDDIETPAD"_s, u"P_CDFILIAL"_s, u"P_CDSERVFILI"_s};
    QCOMPARE(query.ParamNames(), expected);
    QVERIFY(query.ActiveSQL().contains(u"NVL(:P_CDDIETPAD"));
    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0001"_s);
    query.SetDialect(SqlDialect::InterBase);
    QVERIFY(query.ActiveSQL().contains(u"PARAM(:P_CDDIETPAD) P_CDDIETPAD"));
    QCOMPARE(query.ParamNames(), expected);
    // A value survives the change of text when the name is still there.
    QCOMPARE(query.ParamByName(u"P_CDFILIAL"_s)->AsString(), u"0001"_s);
    query.SetDialect(SqlDialect::SqlServer);
    QVERIFY(query.ActiveSQL().contains(u"ISNULL(:P_CDDIETPAD"));
}

void tst_TADOIBQuery::emptyAndClearedParametersAreNull() {
    TParam param(u"P_X"_s);
    QVERIFY(param.IsNull());
    param.SetAsString(u"0001"_s);
    QCOMPARE(param.Value(), QVariant(u"0001"_s));
    param.SetAsString(u""_s);
    QVERIFY(param.IsNull());
    param.SetValue(u"x"_s);
    param.Clear();
    QVERIFY(param.IsNull());
    param.SetValue(QString(u""_s));
    QVERIFY(param.IsNull());
    param.SetValue(QDate(2026, 12, 7));
    QCOMPARE(param.Value(), QVariant(QDate(2026, 12, 7)));
}

void tst_TADOIBQuery::openWithoutDatabaseFails() {
    ScopedGeneralDatabase none(nullptr);
    TADOIBQuery query;
    query.SQL = QStringList{u"SELECT 1"_s};
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.Open());
    QVERIFY(!query.Active());
}

void tst_TADOIBQuery::qryDietaListsAllWhenCodeIsEmpty() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    setUpQryDieta(query);
    const QStringList all{u"0001"_s, u"0002"_s, u"0004"_s}; // kinds 1 and 2 never listed
    QCOMPARE(openDietas(query, QVariant(), u"00010"_s), all);
    QCOMPARE(openDietas(query, u""_s, u"00010"_s), all);
    QCOMPARE(openDietas(query, u"0002"_s, u"00010"_s), QStringList{u"0002"_s});
    QCOMPARE(openDietas(query, u"0003"_s, u"00010"_s), QStringList{});
    QVERIFY(query.IsEmpty());
    QVERIFY(query.Eof());
    QCOMPARE(openDietas(query, u""_s, u"00020"_s), (QStringList{u"0001"_s, u"0006"_s}));
    QCOMPARE(query.FieldByName(u"DSDIETPAD"_s)->AsString(), u"Hipossódica"_s);
}

void tst_TADOIBQuery::qryServicoAllOrOne() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = qryServicoSQL;
    query.AddField(u"CDSERVFILI"_s, FieldKind::String, 5)->SetDisplayLabel(u"Codigo"_s);
    query.AddField(u"CDFILIAL"_s, FieldKind::String, 4)->SetVisible(false);
    TField* name = query.AddField(u"NMSERVICO"_s, FieldKind::String, 40);
    name->SetDisplayLabel(u"Descrição"_s);
    name->SetDisplayWidth(53);
    query.AddField(u"IDTIPOSERV"_s, FieldKind::String, 1)->SetVisible(false);

    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0001"_s);
    query.ParamByName(u"P_CDSERVFILI"_s)->SetAsString(u""_s);
    query.ParamByName(u"P_TCDSERVFILI"_s)->SetAsString(u"T"_s);
    query.Open();
    // Kind X and hospital-service kind 1 are left out; kind 3 stays.
    QCOMPARE(column(query, u"CDSERVFILI"_s), (QStringList{u"00010"_s, u"00020"_s, u"00050"_s}));

    query.Close();
    query.ParamByName(u"P_CDSERVFILI"_s)->SetAsString(u"00020"_s);
    query.ParamByName(u"P_TCDSERVFILI"_s)->SetAsString(u""_s);
    query.Open();
    QCOMPARE(query.RecordCount(), 1);
    QCOMPARE(query.FieldByName(u"NMSERVICO"_s)->AsString(), u"Cirurgia Geral"_s);

    query.Close();
    query.ParamByName(u"P_CDSERVFILI"_s)->SetAsString(u"00030"_s);
    query.Open();
    QVERIFY(query.IsEmpty());
}

void tst_TADOIBQuery::qryGrupoServicoAllOrOne() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = qryGrupoServicoSQL;
    query.AddField(u"CDGRUPSERV"_s, FieldKind::String, 3)->SetDisplayLabel(u"Código"_s);
    query.AddField(u"NMGRUPSERV"_s, FieldKind::String, 30)->SetDisplayLabel(u"Nome"_s);
    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0001"_s);
    query.ParamByName(u"P_TCDGRUPSERV"_s)->SetAsString(u"T"_s);
    query.Open();
    QCOMPARE(column(query, u"CDGRUPSERV"_s), (QStringList{u"G01"_s, u"G02"_s}));

    query.Close();
    query.ParamByName(u"P_CDGRUPSERV"_s)->SetAsString(u"G03"_s);
    query.ParamByName(u"P_TCDGRUPSERV"_s)->Clear();
    query.Open();
    QVERIFY(query.IsEmpty()); // G03 has services only in the other branch

    query.Close();
    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0002"_s);
    query.Open();
    QCOMPARE(query.FieldByName(u"NMGRUPSERV"_s)->AsString(), u"Sem serviço"_s);
}

void tst_TADOIBQuery::qryNutricioFindsTheOperator() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = qryNutricioSQL;
    query.AddField(u"CDNUTRICIO"_s, FieldKind::String, 12)->SetRequired(true);
    auto isNutritionist = [&](const QString& operador, const QString& filial) {
        query.Close();
        query.ParamByName(u"P_CDNUTRICIO"_s)->SetAsString(operador);
        query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(filial);
        query.Open();
        return !query.IsEmpty();
    };
    QVERIFY(isNutritionist(u"NUTRI01"_s, u"0001"_s));
    QVERIFY(!isNutritionist(u"NUTRI01"_s, u"0002"_s));
    QVERIFY(!isNutritionist(u""_s, u"0001"_s));
}

void tst_TADOIBQuery::repeatedParameter() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = QStringList{
        u"SELECT CDSERVFILI FROM SERVICO"_s,
        u"WHERE CDFILIAL = :P_CDFILIAL AND (CDSERVFILI = :P_TCDSERVFILI OR"_s,
        u"      NVL(:P_TCDSERVFILI, 'T') = 'T') ORDER BY CDSERVFILI"_s,
    };
    QCOMPARE(query.ParamNames(), (QStringList{u"P_CDFILIAL"_s, u"P_TCDSERVFILI"_s}));
    query.ParamByName(u"P_CDFILIAL"_s)->SetAsString(u"0001"_s);
    query.ParamByName(u"P_TCDSERVFILI"_s)->SetAsString(u"00040"_s);
    query.Open();
    QCOMPARE(column(query, u"CDSERVFILI"_s), QStringList{u"00040"_s});
    query.Close();
    query.ParamByName(u"P_TCDSERVFILI"_s)->Clear();
    query.Open();
    QCOMPARE(query.RecordCount(), 5);
}

void tst_TADOIBQuery::misspeltNamesAreReported() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = qryNutricioSQL;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.ParamByName(u"P_CDNUTRI"_s));
    query.ParamByName(u"p_cdnutricio"_s)->SetAsString(u"NUTRI01"_s); // case does not matter

    query.AddField(u"CDNUTRICIOS"_s, FieldKind::String, 12);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.Open());
    QVERIFY(!query.Active());
    QCOMPARE(query.FieldCount(), 1); // the field from code survives the failed open

    TADOIBQuery broken;
    broken.SQL = QStringList{u"SELECT NMPRATO FROM PRATO_INEXISTENTE"_s};
    QVERIFY_THROWS_EXCEPTION(SqlError, broken.Open());
    QVERIFY(!broken.Active());
}

void tst_TADOIBQuery::fieldsFromCodeAndFromColumns() {
    ENGINE_DATABASE(t);
    TADOIBQuery fromColumns;
    fromColumns.SQL = QStringList{u"SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL"_s};
    fromColumns.Open();
    QCOMPARE(fromColumns.FieldCount(), 2);
    QCOMPARE(fromColumns.Fields(0)->FieldName(), u"CDFILIAL"_s); // upper case on both engines
    QCOMPARE(fromColumns.FieldByName(u"cdfilial"_s)->AsString(), u"0001"_s);
    QCOMPARE(fromColumns.FieldByName(u"CdFilial"_s)->AsString(), u"0001"_s);
    QVERIFY(!fromColumns.FindField(u"CDPACIENTE"_s));
    const DataPacket packet = fromColumns.Data();
    QCOMPARE(packet.rows.size(), 2);
    QCOMPARE(packet.value(1, u"nmfilial"), QVariant(u"Filial Norte"_s));
    // Run again with another text: the fields follow the new columns.
    fromColumns.Close();
    fromColumns.SQL = QStringList{u"SELECT NMFILIAL FROM FILIAL ORDER BY CDFILIAL"_s};
    fromColumns.Open();
    QCOMPARE(fromColumns.FieldCount(), 1);

    TADOIBQuery qryFilial;
    qryFilial.SQL =
        QStringList{u"SELECT CDFILIAL, NMFILIAL"_s, u"FROM FILIAL"_s, u"ORDER BY CDFILIAL"_s};
    TField* code = qryFilial.AddField(u"CDFILIAL"_s, FieldKind::String, 4);
    code->SetRequired(true);
    code->SetDisplayLabel(u"Código"_s);
    code->SetEditMask(u"9999;0; "_s);
    qryFilial.AddField(u"NMFILIAL"_s, FieldKind::String, 30)->SetDisplayLabel(u"Nome"_s);
    qryFilial.Open();
    QCOMPARE(qryFilial.FieldCount(), 2);
    QCOMPARE(qryFilial.RecordCount(), 2);
    QCOMPARE(qryFilial.FieldByName(u"cdfilial"_s), code); // the field from code keeps its settings
    QCOMPARE(code->DisplayLabel(), u"Código"_s);
    QCOMPARE(code->EditMask(), u"9999;0; "_s);
    QCOMPARE(qryFilial.FieldByName(u"NMFILIAL"_s)->DisplayWidth(), 30);
    qryFilial.Close();
    qryFilial.Open();
    QCOMPARE(qryFilial.FieldByName(u"CDFILIAL"_s), code);
}

void tst_TADOIBQuery::valuesTakeTheFieldKind() {
    ENGINE_DATABASE(t);
    t.exec(u"CREATE TABLE CONSUMO (ID INTEGER, DTCONSCONF DATE, DTALTA TIMESTAMP, "
           "HRCONSCONF NUMERIC(6,2), QTPRATCONF INTEGER, DSOBSCONF VARCHAR(20))"_s);
    t.exec(u"INSERT INTO CONSUMO VALUES (1, '2026-12-07', '2026-12-08 13:45:00', 2.5, 3, '')"_s);
    t.exec(u"INSERT INTO CONSUMO VALUES (2, NULL, NULL, NULL, NULL, NULL)"_s);
    TADOIBQuery query;
    query.SQL =
        QStringList{u"SELECT DTCONSCONF, DTALTA, HRCONSCONF, QTPRATCONF, DSOBSCONF FROM CONSUMO"_s,
                    u"ORDER BY ID"_s};
    query.AddField(u"DTCONSCONF"_s, FieldKind::Date);
    query.AddField(u"DTALTA"_s, FieldKind::DateTime);
    query.AddField(u"HRCONSCONF"_s, FieldKind::Float);
    query.AddField(u"QTPRATCONF"_s, FieldKind::Float);
    query.AddField(u"DSOBSCONF"_s, FieldKind::String, 20);
    query.Open();
    QCOMPARE(query.FieldByName(u"DTCONSCONF"_s)->Value(), QVariant(QDate(2026, 12, 7)));
    QCOMPARE(query.FieldByName(u"DTCONSCONF"_s)->AsString(), u"07/12/2026"_s);
    QCOMPARE(query.FieldByName(u"DTALTA"_s)->Value(),
             QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 45))));
    QCOMPARE(query.FieldByName(u"HRCONSCONF"_s)->Value(), QVariant(2.5));
    QCOMPARE(query.FieldByName(u"HRCONSCONF"_s)->AsString(), u"2,5"_s);
    QCOMPARE(query.FieldByName(u"QTPRATCONF"_s)->Value(), QVariant(3.0));
    QCOMPARE(query.FieldByName(u"DSOBSCONF"_s)->Value(), QVariant(u""_s)); // '' is not NULL
    QVERIFY(!query.FieldByName(u"DSOBSCONF"_s)->IsNull());
    query.Next();
    for (const QString& name :
         {u"DTCONSCONF"_s, u"DTALTA"_s, u"HRCONSCONF"_s, u"QTPRATCONF"_s, u"DSOBSCONF"_s})
        QVERIFY2(query.FieldByName(name)->IsNull(), qPrintable(name));
    QCOMPARE(query.FieldByName(u"DTCONSCONF"_s)->AsString(), u""_s);

    // Columns without a definition: numbers as double, whatever the column's type.
    TADOIBQuery inferred;
    inferred.SQL = QStringList{u"SELECT QTPRATCONF, HRCONSCONF FROM CONSUMO ORDER BY ID"_s};
    inferred.Open();
    QCOMPARE(inferred.FieldByName(u"QTPRATCONF"_s)->DataType(), FieldKind::Float);
    QCOMPARE(inferred.FieldByName(u"QTPRATCONF"_s)->Value(), QVariant(3.0));
    QCOMPARE(inferred.FieldByName(u"HRCONSCONF"_s)->Value(), QVariant(2.5));
}

void tst_TADOIBQuery::textThatIsNotADateIsRefused() {
    TestDatabase t(TestEngine::SQLite); // only SQLite lets a DATE column hold any text
    ScopedGeneralDatabase general(&t.db());
    t.exec(u"CREATE TABLE CONSUMO (DTCONSCONF DATE)"_s);
    t.exec(u"INSERT INTO CONSUMO VALUES ('31/02/2026')"_s);
    TADOIBQuery query;
    query.SQL = QStringList{u"SELECT DTCONSCONF FROM CONSUMO"_s};
    query.AddField(u"DTCONSCONF"_s, FieldKind::Date);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, query.Open());
    QVERIFY(!query.Active());
    QCOMPARE(query.FieldCount(), 1);
}

void tst_TADOIBQuery::cursorWalksTheRows() {
    ENGINE_DATABASE(t);
    TADOIBQuery query;
    query.SQL = QStringList{u"SELECT CDDIETPAD FROM DIETPADR ORDER BY CDDIETPAD"_s};
    int opened = 0;
    int closed = 0;
    query.AfterOpen = [&](TClientDataSet*) { ++opened; };
    query.AfterClose = [&](TClientDataSet*) { ++closed; };
    QVERIFY(query.Eof());
    query.Open();
    query.Open(); // already open: nothing happens
    QCOMPARE(opened, 1);
    QCOMPARE(query.RecordCount(), 6);
    QCOMPARE(query.RecNo(), 1);
    QVERIFY(query.Bof());
    QVERIFY(!query.Eof());
    query.Last();
    QCOMPARE(query.FieldByName(u"CDDIETPAD"_s)->AsString(), u"0006"_s);
    query.Next();
    QVERIFY(query.Eof());
    QCOMPARE(query.FieldByName(u"CDDIETPAD"_s)->AsString(), u"0006"_s); // stays on the last
    query.First();
    QVERIFY(!query.Eof());
    QCOMPARE(query.FieldByName(u"CDDIETPAD"_s)->AsString(), u"0001"_s);
    QVERIFY(query.Locate(u"CDDIETPAD"_s, u"0004"_s));
    QCOMPARE(query.RecNo(), 4);
    query.SetActive(false);
    QCOMPARE(closed, 1);
    QVERIFY(query.IsEmpty());
    QVERIFY(query.Eof());
}

QTEST_GUILESS_MAIN(tst_TADOIBQuery)
#include "tst_tadoibquery.moc"
