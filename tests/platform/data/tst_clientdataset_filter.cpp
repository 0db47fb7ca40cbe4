// The dataset filter language on its own: tokens, the grammar and its errors, and how a bound
// filter compares values (kinds, nulls, whole days), then binding on opening.
#include "datasetfixture.h"
#include "platform/datasetfilter.h"
#include "platform/filterparser.h"

#include <QTest>

using namespace dieta;
using dieta::test::column;
using dieta::test::inpatients;

namespace {

using Kind = FilterToken::Kind;
using Op = FilterCondition::Op;

// A dataset with one field of each kind a filter compares, and no rows.
void defineKinds(TClientDataSet& ds) {
    ds.AddField("NMPACIENTE", FieldKind::String, 40);
    ds.AddField("DTINTERNA", FieldKind::DateTime);
    ds.AddField("QTPRATCONF", FieldKind::Float);
    ds.AddField("NRLEITO", FieldKind::Integer);
    ds.AddCalcField("DIAGNOSTICO", FieldKind::String, 70);
    ds.CreateDataSet();
}

// Values in the column order of defineKinds.
Row kinds(const QVariant& name, const QVariant& when, const QVariant& quantity,
          const QVariant& bed = QVariant()) {
    return Row{name, when, quantity, bed};
}

QString filterError(const std::function<void()>& run) {
    try {
        run();
    } catch (const EDatabaseError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

Q_DECLARE_METATYPE(std::vector<dieta::FilterToken>)
Q_DECLARE_METATYPE(std::vector<dieta::FilterCondition>)

class tst_ClientDataSetFilter : public QObject {
    Q_OBJECT

private slots:
    void tokens_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<std::vector<FilterToken>>("tokens");
        QTest::newRow("AND glued to a text")
            << "CDPACIENTE = 'P1'AND X<>1"
            << std::vector<FilterToken>{{Kind::Word, "CDPACIENTE"}, {Kind::Op, "="},
                                        {Kind::Text, "P1"},         {Kind::Word, "AND"},
                                        {Kind::Word, "X"},          {Kind::Op, "<>"},
                                        {Kind::Number, "1"}};
        QTest::newRow("bracketed name, doubled quote")
            << "[NM PACIENTE] >= 'O''Brien'"
            << std::vector<FilterToken>{
                   {Kind::Word, "NM PACIENTE"}, {Kind::Op, ">="}, {Kind::Text, "O'Brien"}};
        QTest::newRow("empty text, quote only")
            << "A='' AND B=''''"
            << std::vector<FilterToken>{{Kind::Word, "A"},   {Kind::Op, "="},   {Kind::Text, ""},
                                        {Kind::Word, "AND"}, {Kind::Word, "B"}, {Kind::Op, "="},
                                        {Kind::Text, "'"}};
        QTest::newRow("signed and bare decimals")
            << "A<=-1.5 AND B>.5"
            << std::vector<FilterToken>{
                   {Kind::Word, "A"}, {Kind::Op, "<="}, {Kind::Number, "-1.5"}, {Kind::Word, "AND"},
                   {Kind::Word, "B"}, {Kind::Op, ">"},  {Kind::Number, ".5"}};
        QTest::newRow("parentheses, operator pairs split")
            << "(A=<1)"
            << std::vector<FilterToken>{{Kind::Open, "("}, {Kind::Word, "A"},   {Kind::Op, "="},
                                        {Kind::Op, "<"},   {Kind::Number, "1"}, {Kind::Close, ")"}};
        QTest::newRow("blank") << "  \t " << std::vector<FilterToken>{};
    }

    void tokens() {
        QFETCH(QString, filter);
        QFETCH(std::vector<FilterToken>, tokens);
        QVERIFY(tokenizeFilter(filter) == tokens);
    }

    void grammar_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<std::vector<FilterCondition>>("conditions");
        using C = std::vector<FilterCondition>;
        QTest::newRow("every operator")
            << "A = '1' AND B <> '2' AND C < 3 AND D > 4 AND E <= 5 AND F >= 6"
            << C{{"A", Op::Eq, "1"}, {"B", Op::Ne, "2"}, {"C", Op::Lt, "3"},
                 {"D", Op::Gt, "4"}, {"E", Op::Le, "5"}, {"F", Op::Ge, "6"}};
        QTest::newRow("null tests, any case")
            << "A IS NULL and b is not null" << C{{"A", Op::IsNull, ""}, {"b", Op::NotNull, ""}};
        QTest::newRow("groups around one condition")
            << "((A = '1')) AND (B = '2')" << C{{"A", Op::Eq, "1"}, {"B", Op::Eq, "2"}};
        QTest::newRow("a group around AND")
            << "(A = '1' AND (B = '2')) AND C = '3'"
            << C{{"A", Op::Eq, "1"}, {"B", Op::Eq, "2"}, {"C", Op::Eq, "3"}};
        QTest::newRow("empty text: no condition") << "" << C{};
    }

    void grammar() {
        QFETCH(QString, filter);
        QFETCH(std::vector<FilterCondition>, conditions);
        QVERIFY(parseFilter(filter) == conditions);
    }

    void malformed_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("why");
        QTest::newRow("open quote") << "A = 'x"
                                    << "aspas sem fechamento";
        QTest::newRow("open bracket") << "[A = 'x'"
                                      << "colchete sem fechamento";
        QTest::newRow("statement separator") << "A = 'x'; DROP"
                                             << "caractere inesperado ';'";
        QTest::newRow("double quotes") << "A = \"x\""
                                       << "caractere inesperado '\"'";
        QTest::newRow("decimal comma") << "A = 3,5"
                                       << "caractere inesperado ','";
        QTest::newRow("group left open") << "(A = 'x' AND (B = 'y')"
                                         << "parênteses desbalanceados";
        QTest::newRow("group never opened") << "A = 'x')"
                                            << "parênteses desbalanceados";
        QTest::newRow("closed before opened") << "A = 'x') AND (B = 'y'"
                                              << "parênteses desbalanceados";
        QTest::newRow("empty group") << "()"
                                     << "nome de campo esperado";
        QTest::newRow("AND first") << "AND A = 'x'"
                                   << "nome de campo esperado";
        QTest::newRow("OR") << "A = 'x' OR B = 'y'"
                            << "OR não é suportado";
        QTest::newRow("no connective") << "A = 'x' B = 'y'"
                                       << "AND esperado";
        QTest::newRow("trailing AND") << "A = 'x' AND"
                                      << "condição esperada após AND";
        QTest::newRow("no operator") << "A 'x'"
                                     << "operador esperado";
        QTest::newRow("doubled equals") << "A == 'x'"
                                        << "operador desconhecido";
        QTest::newRow("name as value") << "A = B"
                                       << "valor esperado";
        QTest::newRow("IS without NULL") << "A IS 'x'"
                                         << "NULL esperado";
        QTest::newRow("IS NOT without NULL") << "A IS NOT"
                                             << "NULL esperado";
    }

    void malformed() {
        QFETCH(QString, filter);
        QFETCH(QString, why);
        QCOMPARE(filterError([&] { parseFilter(filter); }),
                 QStringLiteral("Filtro inválido (%1): %2").arg(why, filter));
    }

    void comparesInTheFieldsKind_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<Row>("values");
        QTest::addColumn<bool>("meets");
        const QDateTime morning(QDate(2026, 12, 7), QTime(10, 30));
        const auto at = [&](double quantity) { return kinds("Ana", morning, quantity, 4); };
        QTest::newRow("text is case-sensitive") << "NMPACIENTE = 'ana'" << at(1) << false;
        QTest::newRow("text order") << "NMPACIENTE < 'B'" << at(1) << true;
        QTest::newRow("number above") << "QTPRATCONF > 1" << at(1.5) << true;
        QTest::newRow("number at, strict") << "QTPRATCONF > 1" << at(1) << false;
        QTest::newRow("number at, inclusive") << "QTPRATCONF >= 1" << at(1) << true;
        QTest::newRow("number below, inclusive") << "QTPRATCONF <= 1" << at(0.5) << true;
        QTest::newRow("quoted decimal comma") << "QTPRATCONF = '1,5'" << at(1.5) << true;
        QTest::newRow("integer is not a text") << "NRLEITO > 10" << at(1) << false;
        QTest::newRow("a date is the whole day") << "DTINTERNA = '07/12/2026'" << at(1) << true;
        QTest::newRow("before the next day") << "DTINTERNA < '08/12/2026'" << at(1) << true;
        QTest::newRow("not after the day itself") << "DTINTERNA > '07/12/2026'" << at(1) << false;
        QTest::newRow("with a time: the instant")
            << "DTINTERNA = '07/12/2026 10:00'" << at(1) << false;
        QTest::newRow("with a time: after it") << "DTINTERNA > '07/12/2026 10:00'" << at(1) << true;
    }

    void comparesInTheFieldsKind() {
        QFETCH(QString, filter);
        QFETCH(Row, values);
        QFETCH(bool, meets);
        TClientDataSet ds;
        defineKinds(ds);
        DataSetFilter bound(filter);
        bound.bind(ds, true);
        QCOMPARE(bound.matches(values), meets);
    }

    // A null text reads as "", so '' and IS NULL hold for it; any other null meets no
    // comparison, not even <>.
    void nulls_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<Row>("values");
        QTest::addColumn<bool>("meets");
        const QDateTime day(QDate(2026, 12, 7), QTime(0, 0));
        QTest::newRow("null text equals ''")
            << "NMPACIENTE = ''" << kinds(QVariant(), day, 1) << true;
        QTest::newRow("null text is below any text")
            << "NMPACIENTE < 'A'" << kinds(QVariant(), day, 1) << true;
        QTest::newRow("'' IS NULL") << "NMPACIENTE IS NULL" << kinds("", day, 1) << true;
        QTest::newRow("text IS NOT NULL")
            << "NMPACIENTE IS NOT NULL" << kinds("Ana", day, 1) << true;
        QTest::newRow("'' is not NOT NULL")
            << "NMPACIENTE IS NOT NULL" << kinds("", day, 1) << false;
        QTest::newRow("null number: not equal")
            << "QTPRATCONF = 0" << kinds("Ana", day, QVariant()) << false;
        QTest::newRow("null number: not different")
            << "QTPRATCONF <> 0" << kinds("Ana", day, QVariant()) << false;
        QTest::newRow("null number: not below")
            << "QTPRATCONF < 0" << kinds("Ana", day, QVariant()) << false;
        QTest::newRow("null number IS NULL")
            << "QTPRATCONF IS NULL" << kinds("Ana", day, QVariant()) << true;
        QTest::newRow("zero IS NOT NULL")
            << "QTPRATCONF IS NOT NULL" << kinds("Ana", day, 0.0) << true;
        QTest::newRow("null date: not before")
            << "DTINTERNA < '01/01/2100'" << kinds("Ana", QVariant(), 1) << false;
        QTest::newRow("one unmet condition is enough")
            << "NMPACIENTE = 'Ana' AND QTPRATCONF IS NULL" << kinds("Ana", day, 1) << false;
    }

    void nulls() { comparesInTheFieldsKind(); } // the same check over its own rows

    // Switched on, a filter that cannot work is refused when set; switched off it is kept
    // and meets nothing until it can be bound.
    void binding() {
        TClientDataSet ds;
        defineKinds(ds);
        const Row any = kinds("Ana", QDateTime(QDate(2026, 12, 7), QTime(0, 0)), 1, 4);
        const QList<QPair<QString, QString>> refused = {
            {"NADA = 'x'", "Filtro inválido: campo 'NADA' não encontrado em "},
            {"DIAGNOSTICO = 'x'", "Filtro inválido: campo 'DIAGNOSTICO' não encontrado em "},
            {"QTPRATCONF = 'abc'", "Filtro inválido: 'abc' não serve para o campo QTPRATCONF."},
            {"QTPRATCONF = ''", "Filtro inválido: valor vazio para o campo QTPRATCONF."},
            {"DTINTERNA = '31/02/2026'", "Filtro inválido: '31/02/2026' não serve"}};
        for (const auto& [text, message] : refused) {
            DataSetFilter filter(text);
            QVERIFY2(filterError([&] { filter.bind(ds, true); }).startsWith(message),
                     qPrintable(text));
            filter.bind(ds, false);
            QVERIFY2(!filter.matches(any), qPrintable(text));
        }
        DataSetFilter none;
        none.bind(ds, true);
        QVERIFY(none.matches(any));

        TClientDataSet noFields;
        DataSetFilter early("NMPACIENTE = 'Ana'");
        early.bind(noFields, true); // nothing to bind yet, so nothing to refuse
        QVERIFY(!early.matches(any));
    }

    // The filter follows the fields the dataset has when it opens, also fields defined after
    // the filter was set.
    void boundOnOpening() {
        TClientDataSet ds;
        ds.SetFilter("CDPACIENTE = 'P2'");
        ds.SetFiltered(true);
        ds.AddField("CDPACIENTE", FieldKind::String, 12);
        ds.CreateDataSet();
        for (const char* code : {"P1", "P2"}) {
            ds.Append();
            ds.FieldByName(u"CDPACIENTE")->SetAsString(code);
            ds.Post();
        }
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList{"P2"});

        ds.Close();
        ds.ClearFields();
        ds.SetData(inpatients()); // the fields the filter was bound to are gone
        QCOMPARE(column(ds, "CDPACIENTE"), QStringList{"P2"});

        ds.Close();
        ds.ClearFields();
        ds.SetFilter("NADA = 'x'"); // no fields to check it against yet
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.SetData(inpatients()));
        QVERIFY(!ds.Active());
    }
};

QTEST_GUILESS_MAIN(tst_ClientDataSetFilter)
#include "tst_clientdataset_filter.moc"
