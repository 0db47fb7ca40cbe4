#include "dialogs/Cli_zfa13020_consultas.h"

#include "platform/tadoibquery.h"
#include "platform/tfield.h"

namespace dieta::Cli_zfa13020 {

namespace {

void addField(TADOIBQuery* query, const char* name, int size, const char* label) {
    TField* field = query->AddField(QString::fromLatin1(name), FieldKind::String, size);
    if (label)
        field->SetDisplayLabel(QString::fromUtf8(label));
    else
        field->SetVisible(false);
}

} // namespace

TADOIBQuery* CriaQryServico(QObject* owner) {
    auto* query = new TADOIBQuery(owner);
    query->setObjectName(QStringLiteral("qryServico"));
    // One text for every dialect.
    const QStringList sql = {
        "SELECT DIETSERV.CDSERVFILI,",
        "       DIETSERV.CDFILIAL,",
        "       SERVICO.NMSERVICO,",
        "       SERVICO.IDTIPOSERV",
        "  FROM SERVICO, DIETSERV",
        " WHERE",
        "   (DIETSERV.CDFILIAL    = :P_CDFILIAL)                           AND",
        "   (DIETSERV.CDSERVFILI  = :P_CDSERVFILI OR :P_TCDSERVFILI = 'T') AND",
        "   (DIETSERV.CDFILIAL    = SERVICO.CDFILIAL)                      AND",
        "   (DIETSERV.CDSERVFILI  = SERVICO.CDSERVFILI)                    AND",
        "   (IDTIPOSERV IN ('A', 'D', 'N'))                                AND",
        "   (SERVICO.IDTPSERVHOSP IS NULL OR IDTPSERVHOSP NOT IN('1', '2')) AND",
        "   EXISTS (SELECT CDGRUPSERV",
        "             FROM GRUPSERV",
        "            WHERE GRUPSERV.CDGRUPSERV = SERVICO.CDGRUPSERV",
        "              AND GRUPSERV.CDGRUPSERV = :P_CDGRUPSERV)",
        " GROUP BY",
        "        DIETSERV.CDSERVFILI,",
        "        DIETSERV.CDFILIAL,",
        "        SERVICO.NMSERVICO,",
        "        SERVICO.IDTIPOSERV",
        " ORDER BY",
        "        DIETSERV.CDSERVFILI,",
        "        SERVICO.NMSERVICO"};
    query->SQL = sql;
    query->SQL_ORACLE = sql;
    query->SQL_MSSQL = sql;
    query->SQL_IB = sql;
    addField(query, "CDSERVFILI", 5, "Código");
    addField(query, "CDFILIAL", 4, nullptr);
    addField(query, "NMSERVICO", 40, "Nome");
    addField(query, "IDTIPOSERV", 1, nullptr);
    return query;
}

TADOIBQuery* CriaQryDietaPad(QObject* owner) {
    auto* query = new TADOIBQuery(owner);
    query->setObjectName(QStringLiteral("qryDietaPad"));
    // Generic and InterBase: PARAM and NVLSTR exist only there.
    const QStringList generic = {
        "SELECT DIETPADR.CDDIETPAD,",
        "       DIETPADR.DSDIETPAD,",
        "       DIETPADR.CDDIETGRUP,",
        "       DIETPADR.IDFORMDIET",
        "FROM DIETSERV, DIETPADR, PARAM(:P_CDDIETPAD) P_CDDIETPAD",
        "WHERE",
        "   (DIETPADR.CDDIETPAD  = NVLSTR(P_CDDIETPAD.PARAM, DIETPADR.CDDIETPAD)) AND",
        "   (DIETPADR.IDFORMDIET NOT IN('1','2'))                         AND",
        "   (DIETSERV.CDFILIAL   = :P_CDFILIAL)                  AND",
        "   (DIETSERV.CDSERVFILI = :P_CDSERVFILI)                AND",
        "   (DIETSERV.CDDIETPAD  = DIETPADR.CDDIETPAD)",
        "ORDER BY DIETPADR.CDDIETPAD"};
    QStringList oracle = generic;
    oracle[4] = "FROM DIETSERV, DIETPADR";
    oracle[6] = "   (DIETPADR.CDDIETPAD  = NVL(:P_CDDIETPAD, DIETPADR.CDDIETPAD)) AND";
    // Ordered by the qualified name: SQLite, which runs this text, finds a bare CDDIETPAD in
    // both tables ambiguous.
    QStringList mssql = generic;
    mssql[4] = "FROM DIETSERV, DIETPADR";
    mssql[6] = "   (DIETPADR.CDDIETPAD  = ISNULL(:P_CDDIETPAD, DIETPADR.CDDIETPAD)) AND";
    query->SQL = generic;
    query->SQL_IB = generic;
    query->SQL_ORACLE = oracle;
    query->SQL_MSSQL = mssql;
    addField(query, "CDDIETPAD", 4, "Código");
    addField(query, "DSDIETPAD", 50, "Nome");
    addField(query, "CDDIETGRUP", 4, nullptr);
    addField(query, "IDFORMDIET", 1, nullptr);
    return query;
}

} // namespace dieta::Cli_zfa13020
