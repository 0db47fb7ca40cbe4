#pragma once
// The texts of the screen's lookup queries, in the four dialects, in one place: the screen
// builds its queries from them, and the tests that check them against a real database read
// them from here.

#include <QStringList>

namespace dieta::Cli_zfa13000::sql {

// Generic, Oracle (also SQLite and PostgreSQL), SQL Server and InterBase texts.
struct Dialects {
    QStringList generic, oracle, mssql, interbase;
};

inline Dialects inEveryDialect(const QStringList& text) {
    return {text, text, text, text};
}

inline Dialects filial() {
    return inEveryDialect({"SELECT CDFILIAL, NMFILIAL", "FROM FILIAL", "ORDER BY CDFILIAL"});
}

inline Dialects servico() {
    return inEveryDialect(
        {"SELECT DIETSERV.CDSERVFILI,",
         "       DIETSERV.CDFILIAL,",
         "       SERVICO.NMSERVICO,",
         "       SERVICO.IDTIPOSERV",
         "FROM SERVICO, DIETSERV",
         "WHERE",
         "   (DIETSERV.CDFILIAL    = :P_CDFILIAL)                           AND",
         "   (DIETSERV.CDSERVFILI  = :P_CDSERVFILI OR :P_TCDSERVFILI = 'T') AND",
         "   (DIETSERV.CDFILIAL    = SERVICO.CDFILIAL)                      AND",
         "   (DIETSERV.CDSERVFILI  = SERVICO.CDSERVFILI)                    AND",
         "   (IDTIPOSERV IN ('A', 'D', 'N'))                                                AND",
         "   (SERVICO.IDTPSERVHOSP IS NULL OR IDTPSERVHOSP NOT IN('1', '2'))",
         "GROUP BY",
         "       DIETSERV.CDSERVFILI,",
         "       DIETSERV.CDFILIAL,",
         "       SERVICO.NMSERVICO,",
         "       SERVICO.IDTIPOSERV",
         "ORDER BY",
         "       DIETSERV.CDSERVFILI,",
         "       SERVICO.NMSERVICO"});
}

inline Dialects grupoServico() {
    return inEveryDialect({"SELECT DISTINCT GS.CDGRUPSERV, GS.NMGRUPSERV", "  FROM GRUPSERV GS",
                           " INNER JOIN (SELECT CDGRUPSERV", "               FROM SERVICO",
                           "              WHERE CDFILIAL = :P_CDFILIAL) S",
                           "    ON GS.CDGRUPSERV = S.CDGRUPSERV",
                           " WHERE ((GS.CDGRUPSERV = :P_CDGRUPSERV) OR (:P_TCDGRUPSERV = 'T'))",
                           " ORDER BY GS.CDGRUPSERV"});
}

inline Dialects nutricio() {
    return inEveryDialect({"SELECT CDNUTRICIO", "FROM NUTRICIO",
                           "WHERE (CDNUTRICIO = :P_CDNUTRICIO) AND",
                           "      (CDFILIAL   = :P_CDFILIAL)"});
}

inline Dialects dieta() {
    const QStringList text = {
        "SELECT DIETPADR.CDDIETPAD,",
        "       DIETPADR.DSDIETPAD,",
        "       DIETPADR.CDDIETGRUP,",
        "       DIETPADR.IDFORMDIET",
        "FROM DIETSERV, DIETPADR",
        "WHERE",
        "   (DIETPADR.CDDIETPAD  = NVL(:P_CDDIETPAD, DIETPADR.CDDIETPAD)) AND",
        "   (DIETPADR.IDFORMDIET NOT IN ('1', '2'))                        AND",
        "   (DIETSERV.CDFILIAL   = :P_CDFILIAL)                           AND",
        "   (DIETSERV.CDSERVFILI = :P_CDSERVFILI)                         AND",
        "   (DIETSERV.CDDIETPAD  = DIETPADR.CDDIETPAD)",
        "ORDER BY DIETPADR.CDDIETPAD"};
    Dialects d = inEveryDialect(text);
    d.mssql[6] = "   (DIETPADR.CDDIETPAD  = ISNULL(:P_CDDIETPAD, DIETPADR.CDDIETPAD)) AND";
    d.interbase[4] = "FROM DIETSERV, DIETPADR, PARAM(:P_CDDIETPAD) P_CDDIETPAD";
    d.interbase[6] = "   (DIETPADR.CDDIETPAD  = NVLSTR(P_CDDIETPAD.PARAM, DIETPADR.CDDIETPAD)) AND";
    return d;
}

} // namespace dieta::Cli_zfa13000::sql
