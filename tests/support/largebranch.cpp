#include "tests/support/largebranch.h"

#include <QStringList>

namespace dieta::test {

namespace {

QString code(int number, int width) {
    return QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0'));
}

void run(const QSqlDatabase& conn, const QString& sql, const QList<QVariantMap>& rows) {
    SqlStatement statement(conn, sql);
    for (const QVariantMap& row : rows) {
        statement.bind(row);
        statement.exec();
    }
}

QString serviceOf(int patient) {
    return code((patient % 5 + 1) * 10, 5);
}

} // namespace

void seedLargeBranch(SqlDatabase& db, int patients, int dishes, QDate origin) {
    WriteTransaction transaction(db);
    const QSqlDatabase conn = transaction.connection();
    execSql(conn,
            QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Central')"));
    execSql(conn,
            QStringLiteral(
                "INSERT INTO GRUPSERV (CDGRUPSERV, NMGRUPSERV) VALUES ('G01', 'Internação')"));
    execSql(conn, QStringLiteral("INSERT INTO DIETPADR (CDDIETPAD, DSDIETPAD, IDFORMDIET) VALUES"
                                 " ('0001', 'Dieta Geral', '5')"));
    execSql(conn, QStringLiteral(
                      "INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES ('NUTRI01', 'Nutri')"));
    execSql(conn, QStringLiteral(
                      "INSERT INTO NUTRICIO (CDNUTRICIO, CDFILIAL) VALUES ('NUTRI01', '0001')"));
    execSql(conn,
            QStringLiteral(
                "INSERT INTO PADRAOSERV (CDSERPADDIE, NMSERPADDIE) VALUES ('001', 'Enfermaria')"));
    for (const char* wing : {"A", "B"})
        execSql(conn,
                QStringLiteral("INSERT INTO ALA (CDFILIAL, CDALA, NMALA) VALUES ('0001', :A, :A)"),
                {{QStringLiteral("A"), QString::fromLatin1(wing)}});
    QList<QVariantMap> rows;
    for (int floor = 1; floor <= 10; ++floor)
        rows.append({{QStringLiteral("A"), code(floor, 2)}});
    run(conn,
        QStringLiteral("INSERT INTO ANDAR (CDFILIAL, CDANDAR, NMANDAR) VALUES ('0001', :A, :A)"),
        rows);
    rows.clear();
    for (int s = 1; s <= 5; ++s)
        rows.append({{QStringLiteral("S"), code(s * 10, 5)}});
    run(conn,
        QStringLiteral(
            "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, CDGRUPSERV, IDTIPOSERV)"
            " VALUES ('0001', :S, :S, 'G01', 'A')"),
        rows);
    run(conn,
        QStringLiteral(
            "INSERT INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD) VALUES ('0001', :S, '0001')"),
        rows);
    rows.clear();
    for (int t = 1; t <= 5; ++t)
        rows.append({{QStringLiteral("T"), code(t, 2)}, {QStringLiteral("N"), code(t, 2)}});
    run(conn, QStringLiteral("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES (:T, :N)"),
        rows);
    rows.clear();
    for (int d = 0; d < dishes; ++d)
        rows.append({{QStringLiteral("P"),
                      QStringLiteral("%1.01.%2").arg(code(d % 5 + 1, 2), code(d + 1, 3))},
                     {QStringLiteral("T"), code(d % 5 + 1, 2)}});
    run(conn,
        QStringLiteral("INSERT INTO PRATO (CDFILAUXPRAT, CDPRATO, NMPRATO, CDTIPOPRAT) VALUES"
                       " ('P', :P, :P, :T)"),
        rows);
    QList<QVariantMap> cards;
    for (int day = 1; day <= 60; ++day)
        for (int s = 1; s <= 5; ++s)
            for (int d = 0; d < dishes; ++d)
                cards.append({{QStringLiteral("S"), code(s * 10, 5)},
                              {QStringLiteral("D"), origin.addDays(day)},
                              {QStringLiteral("T"), rows[d].value(QStringLiteral("T"))},
                              {QStringLiteral("P"), rows[d].value(QStringLiteral("P"))},
                              {QStringLiteral("O"), d + 1}});
    run(conn,
        QStringLiteral("INSERT INTO COMPCARD (CDFILIAL, CDSERVFILI, CDDIETCARD, DTCOMPCARD,"
                       " CDTIPOPRAT, CDFILAUXPRAT, CDPRATO, NRORDPRATCAR) VALUES ('0001', :S,"
                       " '0001', :D, :T, 'P', :P, :O)"),
        cards);

    QList<QVariantMap> beds, people, stays, records, choices;
    for (int p = 0; p < patients; ++p) {
        const QString patient = QStringLiteral("P%1").arg(code(p + 1, 6));
        const QString bed = QStringLiteral("L%1").arg(code(p + 1, 5));
        beds.append({{QStringLiteral("L"), bed},
                     {QStringLiteral("A"), p % 2 ? QStringLiteral("B") : QStringLiteral("A")},
                     {QStringLiteral("F"), code(p % 10 + 1, 2)},
                     {QStringLiteral("S"), serviceOf(p)}});
        people.append({{QStringLiteral("P"), patient},
                       {QStringLiteral("N"), QStringLiteral("Paciente %1").arg(p + 1)}});
        stays.append({{QStringLiteral("P"), patient},
                      {QStringLiteral("D"), origin.addDays(-5)},
                      {QStringLiteral("S"), serviceOf(p)},
                      {QStringLiteral("L"), bed}});
        records.append({{QStringLiteral("P"), patient},
                        {QStringLiteral("D"), origin},
                        {QStringLiteral("S"), serviceOf(p)}});
        for (int d = 0; d < dishes; ++d)
            choices.append({{QStringLiteral("P"), patient},
                            {QStringLiteral("D"), origin},
                            {QStringLiteral("C"), code(d + 1, 4)},
                            {QStringLiteral("T"), rows[d].value(QStringLiteral("T"))},
                            {QStringLiteral("R"), rows[d].value(QStringLiteral("P"))}});
    }
    run(conn,
        QStringLiteral("INSERT INTO LEITO (CDFILIAL, CDLEITO, NMLEITO, CDALA, CDANDAR, CDSERVFILI)"
                       " VALUES ('0001', :L, :L, :A, :F, :S)"),
        beds);
    run(conn, QStringLiteral("INSERT INTO PACIENTE (CDPACIENTE, NMPACIENTE) VALUES (:P, :N)"),
        people);
    run(conn,
        QStringLiteral("INSERT INTO INTERNA (CDFILIAL, CDPACIENTE, DTINTERNA, CDSERVFILI, CDLEITO,"
                       " CDSERPADDIE, IDTIPOPACI) VALUES ('0001', :P, :D, :S, :L, '001', '3')"),
        stays);
    run(conn,
        QStringLiteral(
            "INSERT INTO SERVINTE (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
            " STPACIACOM, CDSERVFILI, CDDIETPAD) VALUES ('0001', :P, :D, '01', '0', :S, '0001')"),
        records);
    run(conn,
        QStringLiteral("INSERT INTO CONFESCO (CDFILIAL, CDPACIENTE, DTSERVINTE, NRSEQUSERV,"
                       " CDSEQUCOPR, CDTIPOPRAT, CDFILAUXPRAT, CDPRATO, IDESCOCONF, QTPRATCONF)"
                       " VALUES ('0001', :P, :D, '01', :C, :T, 'P', :R, 'S', 1)"),
        choices);
    transaction.commit();
}

} // namespace dieta::test
