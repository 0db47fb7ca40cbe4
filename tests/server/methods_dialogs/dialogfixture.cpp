#include "tests/server/methods_dialogs/dialogfixture.h"

namespace dieta::test {

namespace {

void insertRows(SqlDatabase& db, const QString& table, const QStringList& columns,
                const QList<QVariantList>& rows) {
    QStringList names;
    for (const QString& column : columns)
        names.append(u':' + column);
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(u", "), names.join(u", "));
    for (const QVariantList& row : rows) {
        QVariantMap values;
        for (int i = 0; i < columns.size(); ++i)
            values.insert(columns[i], row.value(i));
        execOn(db, sql, values);
    }
}

QStringList cols(const char* spaced) {
    return QString::fromLatin1(spaced).split(u' ');
}

} // namespace

int auditCount(SqlDatabase& db, const QString& method) {
    return countOf(db,
                   QStringLiteral("SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = :M"
                                  " AND DSMOTIVO IS NULL"),
                   {{QStringLiteral("M"), method}});
}

void seedDialogHospital(SqlDatabase& db, QDate today) {
    insertRows(db, QStringLiteral("FILIAL"), cols("CDFILIAL NMFILIAL"),
               {{"0001", "Hospital Teste"}, {"0002", "Filial Dois"}});
    insertRows(db, QStringLiteral("GRUPSERV"), cols("CDGRUPSERV NMGRUPSERV"),
               {{"G01", "Internação"}});
    insertRows(db, QStringLiteral("SERVICO"),
               cols("CDFILIAL CDSERVFILI NMSERVICO CDGRUPSERV IDTIPOSERV"),
               {{"0001", "00010", "Clínica", "G01", "A"},
                {"0001", "00020", "Cirurgia", "G01", "D"},
                {"0001", "00070", "Lactário", QVariant(), "N"}});
    insertRows(db, QStringLiteral("DIETGRUP"), cols("CDDIETGRUP NMDIETGRUP"),
               {{"9001", "Grupo Geral"}});
    insertRows(db, QStringLiteral("DIETPADR"),
               cols("CDDIETPAD DSDIETPAD CDDIETGRUP IDFORMDIET IDDIETESPE"),
               {{"0001", "Dieta Geral", "9001", "5", "N"},
                {"0002", "Dieta Branda", "9001", "5", "N"},
                {"0003", "Dieta Livre", QVariant(), "4", "N"},
                {"0004", "Dieta Especial", QVariant(), "5", "S"},
                {"0005", "Dieta Quantidade", QVariant(), "3", "N"},
                {"0006", "Dieta Sem Cardápio", QVariant(), "5", "N"}});
    QList<QVariantList> dietServ;
    for (const char* diet : {"0001", "0002", "0003", "0004", "0005", "0006"})
        dietServ.append({"0001", "00010", diet});
    dietServ.append({"0001", "00020", "0001"});
    dietServ.append({"0001", "00070", "0001"});
    insertRows(db, QStringLiteral("DIETSERV"), cols("CDFILIAL CDSERVFILI CDDIETPAD"), dietServ);
    insertRows(db, QStringLiteral("OPERADOR"), cols("CDOPERADOR NMOPERADOR"),
               {{"NUTRI01", "Nutricionista"}, {"OPER99", "Recepção"}});
    insertRows(db, QStringLiteral("NUTRICIO"), cols("CDNUTRICIO CDFILIAL NMNUTRICIO"),
               {{"NUTRI01", "0001", "Nutricionista"}});
    insertRows(db, QStringLiteral("TIPOPRAT"), cols("CDTIPOPRAT NMTIPOPRAT"),
               {{"01", "Desjejum"}, {"02", "Almoço"}, {"03", "Jantar"}});
    insertRows(db, QStringLiteral("PRATO"), cols("CDFILAUXPRAT CDPRATO NMPRATO CDTIPOPRAT"),
               {{"0001", "01.01.001", "Pão", "01"},
                {"P", "01.01.002", "Leite", "01"},
                {"P", "02", "Almoço (nível)", QVariant()},
                {"P", "02.01", "Acompanhamentos", QVariant()},
                {"P", "02.01.001", "Arroz", "02"},
                {"P", "02.01.002", "Feijão", "02"},
                {"P", "02.02.001", "Frango", "02"},
                {"0002", "02.03.001", "Prato da Filial Dois", "02"}});
    QList<QVariantList> usable;
    for (const auto& [branch, dish] :
         QList<std::pair<const char*, const char*>>{{"0001", "01.01.001"},
                                                    {"P", "01.01.002"},
                                                    {"P", "02"},
                                                    {"P", "02.01"},
                                                    {"P", "02.01.001"},
                                                    {"P", "02.01.002"},
                                                    {"0002", "02.03.001"}})
        usable.append({"0001", "00010", branch, dish});
    insertRows(db, QStringLiteral("PRATSERV"), cols("CDFILIAL CDSERVFILI CDFILAUXPRAT CDPRATO"),
               usable);
    insertRows(db, QStringLiteral("ANDAR"), cols("CDFILIAL CDANDAR NMANDAR"),
               {{"0001", "01", "1º Andar"}, {"0001", "02", "2º Andar"}});
    insertRows(db, QStringLiteral("ALA"), cols("CDFILIAL CDALA NMALA"),
               {{"0001", "A", "Ala A"}, {"0001", "B", "Ala B"}});
    insertRows(db, QStringLiteral("LEITO"),
               cols("CDFILIAL CDLEITO NMLEITO CDALA CDANDAR CDSERVFILI"),
               {{"0001", "L101", "Leito 101", "A", "01", "00010"},
                {"0001", "L102", "Leito 102", "A", "01", "00010"},
                {"0001", "L201", "Leito 201", "B", "02", "00010"},
                {"0001", "L202", "Leito 202", "B", "02", "00020"}});
    insertRows(db, QStringLiteral("PADRAOSERV"), cols("CDSERPADDIE NMSERPADDIE"),
               {{"001", "Enfermaria"}});
    insertRows(db, QStringLiteral("GRUPNUTR"), cols("CDGRUPNUTR NMGRUPNUTR"),
               {{"01", "Macronutrientes"}, {"02", "Minerais"}});
    insertRows(db, QStringLiteral("NUTRIENTE"),
               cols("CDNUTRIENTE NMNUTRIENTE CDGRUPNUTR NMUNIDADE IDMACRONUT"),
               {{"001", "Proteína", "01", "g", "P"},
                {"002", "Carboidrato", "01", "g", "C"},
                {"003", "Lipídio", "01", "g", "L"},
                {"004", "Álcool", "01", "g", "A"},
                {"010", "Sódio", "02", "mg", "N"}});
    insertRows(db, QStringLiteral("PRATNUTR"), cols("CDFILAUXPRAT CDPRATO CDNUTRIENTE QTNUTRPORC"),
               {{"P", "02.01.001", "001", 2.0},
                {"P", "02.01.001", "002", 20.0},
                {"P", "02.01.001", "010", 5.0},
                {"P", "02.02.001", "001", 16.0},
                {"P", "02.02.001", "003", 10.0},
                {"P", "02.01.002", "002", 10.0},
                {"P", "02.01.002", "003", 20.0},
                {"P", "01.01.002", "001", 100.0}});
    insertRows(db, QStringLiteral("PARADIETO"), cols("CDPARADIETO IDVCTCALCNUT"), {{1, "S"}});
    insertRows(db, QStringLiteral("DIAGNOST"), cols("CDDIAGNOST NMDIAGNOST"),
               {{"D01", "Diabetes"}, {"D02", "Hipertensão"}});
    insertRows(db, QStringLiteral("PACIENTE"), cols("CDPACIENTE NMPACIENTE DTNASCPACI"),
               {{"P001", "Ana", QDate(1950, 1, 1)},
                {"P002", "Bruno", QDate(1980, 5, 5)},
                {"P003", "Carla", QDate(1990, 7, 7)},
                {"P004", "Davi", QDate(1970, 3, 3)},
                {"P005", "Eva", QDate(2000, 2, 2)}});
    const QDate admission = today.addDays(-10);
    insertRows(
        db, QStringLiteral("INTERNA"),
        cols("CDFILIAL CDPACIENTE DTINTERNA DTALTA CDSERVFILI CDLEITO CDSERPADDIE IDTIPOPACI "
             "IDACOMPANH"),
        {{"0001", "P001", admission, QVariant(), "00010", "L101", "001", "3", "S"},
         {"0001", "P002", admission, QVariant(), "00010", "L102", "001", "3", "N"},
         {"0001", "P003", admission, QVariant(), "00010", "L201", "001", "3", "N"},
         {"0001", "P004", admission, today.addDays(-2), "00010", QVariant(), "001", "3", "N"},
         {"0001", "P005", admission, QVariant(), "00020", "L202", "001", "3", "N"}});
    insertRows(
        db, QStringLiteral("CONFCARD"), cols("CDFILIAL CDSERVFILI CDTIPOPRAT NRSEQCNFCARD"),
        {{"0001", "00010", "01", 1}, {"0001", "00010", "02", 2}, {"0001", "00010", "03", 3}});
    insertRows(db, QStringLiteral("COMPCARD"),
               cols("CDFILIAL CDSERVFILI CDDIETCARD DTCOMPCARD CDTIPOPRAT CDFILAUXPRAT CDPRATO "
                    "NRORDPRATCAR IDOPCCNFMES"),
               {{"0001", "00010", "0001", today, "02", "P", "02.01.001", 1, "N"},
                {"0001", "00010", "0001", today, "02", "P", "02.01.002", 2, "S"},
                {"0001", "00010", "0001", today, "01", "P", "01.01.002", 1, "N"},
                {"0001", "00010", "9001", today, "02", "P", "02.02.001", 1, "N"},
                {"0001", "00070", "*", today, "01", "P", "01.01.002", 1, "N"},
                {"0001", "00020", "0001", today, "02", "P", "02.01.001", 1, "N"}});
    insertRows(db, QStringLiteral("PRESDIET"),
               cols("CDFILIAL CDPACIENTE DTINTERNA DTPRESDIET CDDIETPAD DSPRESDIET"),
               {{"0001", "P002", admission, today, "0001", "Sem sal"},
                {"0001", "P003", admission, today, "0006", "Jejum"}});
}

void addDayRecord(SqlDatabase& db, const QString& patient, QDate day, const QString& sequence,
                  const QString& status, const QString& service, const QString& diet,
                  const QStringList& dishes) {
    insertRows(
        db, QStringLiteral("SERVINTE"),
        cols("CDFILIAL CDPACIENTE DTSERVINTE NRSEQUSERV STPACIACOM CDSERVFILI CDDIETPAD "
             "DSSERVINTE"),
        {{"0001", patient, day, sequence, status, service,
          diet.isEmpty() ? QVariant() : QVariant(diet), QStringLiteral("Obs %1").arg(patient)}});
    QList<QVariantList> choices;
    int number = 0;
    for (const QString& dish : dishes) {
        const QStringList part = dish.split(u'|');
        choices.append({"0001", patient, day, sequence,
                        QStringLiteral("%1").arg(++number, 4, 10, QLatin1Char('0')), part[0],
                        part[1], part[2], part[3], part[4].toDouble()});
    }
    insertRows(db, QStringLiteral("CONFESCO"),
               cols("CDFILIAL CDPACIENTE DTSERVINTE NRSEQUSERV CDSEQUCOPR CDTIPOPRAT "
                    "CDFILAUXPRAT CDPRATO IDESCOCONF QTPRATCONF"),
               choices);
}

void addChosenDayOfP002(SqlDatabase& db, QDate today) {
    addDayRecord(db, QStringLiteral("P002"), today, QStringLiteral("01"), QStringLiteral("0"),
                 QStringLiteral("00010"), QStringLiteral("0001"),
                 {"02|P|02.01.001|S|2", "02|P|02.02.001|S|0", "01|P|01.01.002|N|1"});
    addDayRecord(db, QStringLiteral("P002"), today, QStringLiteral("02"), QStringLiteral("0"),
                 QStringLiteral("00010"), QStringLiteral("0002"), {"02|P|02.01.002|S|1"});
}

} // namespace dieta::test
