#include "tests/server/methods_main/mainhospital.h"

#include <QSqlQuery>

namespace dieta::test::mainscreen {

namespace {

void insert(const QSqlDatabase& conn, const QString& table, const QString& columns,
            const QVariantList& values) {
    QStringList names;
    QVariantMap bound;
    for (qsizetype i = 0; i < values.size(); ++i) {
        names.append(QStringLiteral(":V%1").arg(i));
        bound.insert(QStringLiteral("V%1").arg(i), values[i]);
    }
    execSql(
        conn,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns, names.join(u", ")),
        bound);
}

void seedLookups(const QSqlDatabase& c) {
    insert(c, "FILIAL", "CDFILIAL, NMFILIAL", {"0001", "Matriz"});
    insert(c, "FILIAL", "CDFILIAL, NMFILIAL", {"0002", "Unidade Sul"});
    insert(c, "OPERADOR", "CDOPERADOR, NMOPERADOR", {"NUTRI01", "Nutricionista Um"});
    insert(c, "OPERADOR", "CDOPERADOR, NMOPERADOR", {"OPER99", "Recepção"});
    insert(c, "NUTRICIO", "CDNUTRICIO, CDFILIAL", {"NUTRI01", "0001"});
    insert(c, "NUTRICIO", "CDNUTRICIO, CDFILIAL", {"NUTRI01", "0002"});
    insert(c, "GRUPSERV", "CDGRUPSERV, NMGRUPSERV", {"G01", "Internação"});
    const QString service = "CDFILIAL, CDSERVFILI, NMSERVICO, CDGRUPSERV, IDTIPOSERV";
    insert(c, "SERVICO", service, {"0001", "00010", "Clínica", "G01", "A"});
    insert(c, "SERVICO", service, {"0001", "00020", "Cirurgia", "G01", "D"});
    insert(c, "SERVICO", service, {"0001", "00070", "Lactário", QVariant(), "N"});
    insert(c, "SERVICO", service, {"0001", "00030", "Pediatria", QVariant(), "A"});
    insert(c, "SERVICO", service, {"0002", "00010", "Clínica Sul", QVariant(), "A"});
    for (const auto& [code, name] :
         {std::pair{"01", "Desjejum"}, {"02", "Almoço"}, {"03", "Jantar"}})
        insert(c, "TIPOPRAT", "CDTIPOPRAT, NMTIPOPRAT", {code, name});
    const QString conf = "CDFILIAL, CDSERVFILI, CDTIPOPRAT, NRSEQCNFCARD";
    insert(c, "CONFCARD", conf, {"0001", "00010", "01", 1});
    insert(c, "CONFCARD", conf, {"0001", "00010", "03", 2});
    insert(c, "CONFCARD", conf, {"0001", "00010", "02", 3});
    insert(c, "CONFCARD", conf, {"0001", "00020", "01", 1});
    insert(c, "CONFCARD", conf, {"0001", "00020", "02", 2});
    insert(c, "CONFCARD", conf, {"0001", "00070", "01", 1});
    insert(c, "DIETGRUP", "CDDIETGRUP, NMDIETGRUP", {"9001", "Brandas"});
    const QString diet = "CDDIETPAD, DSDIETPAD, CDDIETGRUP, IDFORMDIET";
    insert(c, "DIETPADR", diet, {"0001", "Geral", QVariant(), "5"});
    insert(c, "DIETPADR", diet, {"0002", "Branda", "9001", "5"});
    insert(c, "DIETPADR", diet, {"0003", "Livre", QVariant(), "4"});
    insert(c, "DIETPADR", diet, {"0005", "Quantidade", QVariant(), "3"});
    for (const char* code : {"0001", "0002", "0003", "0005"})
        insert(c, "DIETSERV", "CDFILIAL, CDSERVFILI, CDDIETPAD", {"0001", "00010", code});
    insert(c, "DIETSERV", "CDFILIAL, CDSERVFILI, CDDIETPAD", {"0001", "00020", "0001"});
    insert(c, "DIETSERV", "CDFILIAL, CDSERVFILI, CDDIETPAD", {"0001", "00070", "0001"});
    const QString dish = "CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT, QTPORCAO";
    insert(c, "PRATO", dish, {"P", "01.01.001", "Pão francês", "01", 50.0});
    insert(c, "PRATO", dish, {"P", "01.01.002", "Café com leite", "01", 200.0});
    insert(c, "PRATO", dish, {"P", "01.01.003", "Mamadeira", "01", 150.0});
    insert(c, "PRATO", dish, {"P", "02.01.001", "Arroz", "02", 100.0});
    insert(c, "PRATO", dish, {"P", "02.01.002", "Feijão", "02", 100.0});
    insert(c, "PRATO", dish, {"P", "02.02.001", "Frango grelhado", "02", 120.0});
    insert(c, "PRATO", dish, {"P", "03.01.001", "Sopa de legumes", "03", 250.0});
    insert(c, "ANDAR", "CDFILIAL, CDANDAR, NMANDAR", {"0001", "01", "Primeiro"});
    insert(c, "ANDAR", "CDFILIAL, CDANDAR, NMANDAR", {"0001", "02", "Segundo"});
    insert(c, "ALA", "CDFILIAL, CDALA, NMALA", {"0001", "A", "Ala A"});
    insert(c, "ALA", "CDFILIAL, CDALA, NMALA", {"0001", "B", "Ala B"});
    const QString bed = "CDFILIAL, CDLEITO, NMLEITO, CDALA, CDANDAR";
    insert(c, "LEITO", bed, {"0001", "L101", "Leito 101", "A", "01"});
    insert(c, "LEITO", bed, {"0001", "L102", "Leito 102", "A", "01"});
    insert(c, "LEITO", bed, {"0001", "L201", "Leito 201", "B", "02"});
    insert(c, "LEITO", bed, {"0001", "L202", "Leito 202", "B", "02"});
    insert(c, "LEITO", bed, {"0001", "L301", "Leito 301", "A", "02"});
    insert(c, "LEITO", bed, {"0001", "L302", "Leito 302", "A", "02"});
    insert(c, "PADRAOSERV", "CDSERPADDIE, NMSERPADDIE", {"001", "Enfermaria"});
    insert(c, "PADRAOSERV", "CDSERPADDIE, NMSERPADDIE", {"002", "Apartamento"});
}

void seedClinicalReference(const QSqlDatabase& c) {
    insert(c, "DIAGNOST", "CDDIAGNOST, NMDIAGNOST", {"D01", "Diabetes"});
    insert(c, "DIAGNOST", "CDDIAGNOST, NMDIAGNOST", {"D02", "Hipertensão"});
    insert(c, "DIAGNOST", "CDDIAGNOST, NMDIAGNOST", {"D03", "Doença celíaca"});
    insert(c, "SUBGRPROD", "CDSUBGRPROD, NMSUBGRPROD", {"G001", "Açúcar"});
    insert(c, "SUBGRPROD", "CDSUBGRPROD, NMSUBGRPROD", {"G002", "Glúten"});
    insert(c, "RESTINTO", "CDDIAGNOST, CDSUBGRPROD, IDRESTINTO", {"D01", "G001", "R"});
    insert(c, "RESTINTO", "CDDIAGNOST, CDSUBGRPROD, IDRESTINTO", {"D03", "G002", "I"});
    insert(c, "PRATPROD", "CDFILAUXPRAT, CDPRATO, CDSUBGRPROD", {"P", "01.01.001", "G002"});
    insert(c, "PRATPROD", "CDFILAUXPRAT, CDPRATO, CDSUBGRPROD", {"P", "01.01.002", "G001"});
    insert(c, "GRUPNUTR", "CDGRUPNUTR, NMGRUPNUTR", {"01", "Minerais"});
    const QString nutrient = "CDNUTRIENTE, NMNUTRIENTE, CDGRUPNUTR, NMUNIDADE";
    insert(c, "NUTRIENTE", nutrient, {"N01", "Vitamina K", "01", "mcg"});
    insert(c, "NUTRIENTE", nutrient, {"N02", "Potássio", "01", "mg"});
    const QString amount = "CDFILAUXPRAT, CDPRATO, CDNUTRIENTE, QTNUTRPORC";
    insert(c, "PRATNUTR", amount, {"P", "02.01.002", "N02", 350.0});
    insert(c, "PRATNUTR", amount, {"P", "02.01.001", "N01", 0.0}); // no vitamin K to speak of
    insert(c, "MEDICAMENT", "CDMEDICAMENT, NMMEDICAMENT", {"M01", "Varfarina 5 mg"});
    insert(c, "MEDICAMENT", "CDMEDICAMENT, NMMEDICAMENT", {"M02", "Losartana 50 mg"});
    insert(c, "PRINATIV", "CDPRINATIV, NMPRINATIV", {"A01", "Varfarina sódica"});
    insert(c, "PRINATIV", "CDPRINATIV, NMPRINATIV", {"A02", "Losartana potássica"});
    insert(c, "MEDIPRIN", "CDMEDICAMENT, CDPRINATIV", {"M01", "A01"});
    insert(c, "MEDIPRIN", "CDMEDICAMENT, CDPRINATIV", {"M02", "A02"});
    insert(c, "PRINNUTR", "CDPRINATIV, CDNUTRIENTE", {"A01", "N01"});
    insert(c, "PRINNUTR", "CDPRINATIV, CDNUTRIENTE", {"A02", "N02"});
}

void seedCards(const QSqlDatabase& c, QDate today) {
    const QString card =
        "CDFILIAL, CDSERVFILI, CDDIETCARD, DTCOMPCARD, CDTIPOPRAT, CDFILAUXPRAT, CDPRATO,"
        " NRORDPRATCAR, IDOPCCNFMES";
    const auto add = [&](const char* service, const char* code, const char* type, const char* dish,
                         int order, const char* option) {
        insert(c, "COMPCARD", card, {"0001", service, code, today, type, "P", dish, order, option});
    };
    add("00010", "0001", "02", "02.01.001", 1, "N");
    add("00010", "0001", "02", "02.01.002", 2, "N");
    add("00010", "0001", "02", "02.02.001", 3, "S");
    add("00010", "0001", "01", "01.01.002", 2, "N");
    add("00010", "0001", "01", "01.01.001", 1, "N");
    add("00010", "0001", "03", "03.01.001", 1, "N");
    add("00010", "9001", "02", "02.01.001", 1, "N");
    add("00010", "9001", "03", "03.01.001", 1, "N");
    add("00010", "0005", "01", "01.01.001", 1, "N");
    add("00010", "0005", "02", "02.01.001", 1, "N");
    add("00020", "0001", "01", "01.01.001", 1, "N");
    add("00020", "0001", "02", "02.02.001", 1, "N");
    add("00070", "*", "01", "01.01.003", 1, "N");
}

void seedStays(const QSqlDatabase& c, QDate today) {
    const QVariant none;
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI", {"P001", "Ana", QDate(1960, 3, 1)});
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI",
           {"P002", "Bruno", QDate(1950, 7, 9)});
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI",
           {"P003", "Carla", today.addDays(-200)});
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI",
           {"P004", "Davi", QDate(1980, 1, 1)});
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI", {"P005", "Eva", QDate(1995, 5, 5)});
    insert(c, "PACIENTE", "CDPACIENTE, NMPACIENTE, DTNASCPACI",
           {"P006", "Fábio", QDate(1990, 2, 2)});
    const QString stay =
        "CDFILIAL, CDPACIENTE, DTINTERNA, DTALTA, CDSERVFILI, CDLEITO, CDSERPADDIE,"
        " IDTIPOPACI, IDACOMPANH";
    insert(c, "INTERNA", stay,
           {"0001", "P001", today.addDays(-5), none, "00010", "L101", "002", "3", "S"});
    insert(c, "INTERNA", stay,
           {"0001", "P002", today.addDays(-3), none, "00010", "L102", "001", "4", "N"});
    insert(c, "INTERNA", stay,
           {"0001", "P003", today.addDays(-1), today, "00010", "L201", "001", "0", "N"});
    insert(
        c, "INTERNA", stay,
        {"0001", "P004", today.addDays(-10), today.addDays(-2), "00010", "L301", "001", "3", "N"});
    insert(c, "INTERNA", stay, {"0001", "P005", today, none, "00020", "L202", "002", "5", "N"});
    insert(c, "INTERNA", stay,
           {"0001", "P006", today.addDays(1), none, "00010", "L302", "001", "3", "N"});
    const QString diagnosis = "CDFILIAL, CDPACIENTE, DTINTERNA, NRORDDIAG, CDDIAGNOST";
    insert(c, "DIAGINTER", diagnosis, {"0001", "P001", today.addDays(-5), 1, "D01"});
    insert(c, "DIAGINTER", diagnosis, {"0001", "P001", today.addDays(-5), 2, "D03"});
    insert(c, "DIAGINTER", diagnosis, {"0001", "P002", today.addDays(-3), 1, "D02"});
    insert(c, "DIAGINTER", diagnosis, {"0001", "P004", today.addDays(-10), 1, "D02"});
    insert(c, "DIAGINTER", diagnosis, {"0001", "P005", today, 1, "D02"});
    const QString medicine = "CDFILIAL, CDPACIENTE, DTINTERNA, CDMEDICAMENT, DTINIMEDI, DTFIMMEDI";
    insert(c, "MEDIINTE", medicine,
           {"0001", "P002", today.addDays(-3), "M02", today.addDays(-3), none});
    insert(c, "MEDIINTE", medicine,
           {"0001", "P003", today.addDays(-1), "M01", today.addDays(-1), today.addDays(-1)});
}

void addRecord(const QSqlDatabase& c, QDate day, const char* patient, const char* sequence,
               const char* status, const char* service, const char* diet,
               const QList<QStringList>& dishes) {
    insert(c, "SERVINTE",
           "CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, STPACIACOM, CDSERVFILI, CDDIETPAD,"
           " IDIMPRSERV",
           {"0001", patient, day, sequence, status, service, diet, "N"});
    int number = 1;
    for (const QStringList& dish : dishes) // type, dish, chosen
        insert(c, "CONFESCO",
               "CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV, CDSEQUCOPR, CDTIPOPRAT,"
               " CDFILAUXPRAT, CDPRATO, IDESCOCONF, IDOPCAOCONF, QTPRATCONF",
               {"0001", patient, day, sequence,
                QStringLiteral("%1").arg(number++, 4, 10, QLatin1Char('0')), dish[0], "P", dish[1],
                dish[2], "N", 1.0});
}

void seedRecords(const QSqlDatabase& c, QDate today) {
    const QList<QStringList> general{{"02", "02.01.001", "S"},
                                     {"01", "01.01.001", "S"},
                                     {"01", "01.01.002", "S"},
                                     {"03", "03.01.001", "N"}};
    addRecord(c, today, "P001", "01", "0", "00010", "0001", general);
    addRecord(c, today, "P001", "02", "1", "00010", "0001", {{"02", "02.01.001", "S"}});
    addRecord(c, today, "P003", "01", "1", "00010", "0001", {});
    addRecord(c, today, "P005", "01", "0", "00020", "0001", {{"01", "01.01.001", "S"}});
}

} // namespace

void seedMainHospital(SqlDatabase& db, QDate today) {
    WriteTransaction transaction(db);
    const QSqlDatabase conn = transaction.connection();
    seedLookups(conn);
    seedClinicalReference(conn);
    seedCards(conn, today);
    seedStays(conn, today);
    seedRecords(conn, today);
    transaction.commit();
}

QStringList columnValues(const DataPacket& packet, const QString& field) {
    QStringList values;
    for (int row = 0; row < packet.rows.size(); ++row)
        values.append(packet.value(row, field).toString());
    return values;
}

QStringList listKeys(const DataPacket& list) {
    QStringList keys;
    for (int row = 0; row < list.rows.size(); ++row)
        keys.append(list.value(row, u"CDPACIENTE").toString() + u'/' +
                    list.value(row, u"STPACIACOM").toString() + u'/' +
                    list.value(row, u"NRSEQUSERV").toString());
    return keys;
}

} // namespace dieta::test::mainscreen
