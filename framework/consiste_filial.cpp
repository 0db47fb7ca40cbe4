// ValidaFilial: reads the branch table through the host's general database.
#include "framework/consiste.h"
#include "framework/tmessages.h"
#include "platform/dtmdbgeral.h"
#include "platform/tadoibquery.h"

namespace dieta::Consiste {

QString ValidaFilial(const QString& code, [[maybe_unused]] const QString& operador, bool quiet) {
    const QString trimmed = AllTrim(code);
    if (trimmed.isEmpty())
        return {};
    if (!TdtmDBGeral::Database())
        MensErro(QStringLiteral("O banco de dados geral não está disponível."));
    TADOIBQuery query;
    query.SQL = {QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL")};
    query.ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(trimmed);
    query.Open();
    if (query.IsEmpty()) {
        if (quiet)
            return {};
        MensErro(msgMensagensPadroes().Msg(QStringLiteral("Filial_Inv")));
    }
    return query.FieldByName(QStringLiteral("NMFILIAL"))->AsString();
}

} // namespace dieta::Consiste
