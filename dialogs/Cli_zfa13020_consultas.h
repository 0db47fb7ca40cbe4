#pragma once
// The service and diet lookups of the diet dialogs (Cli_zfa13020 and Cli_zfa13050), in the
// four SQL dialects, with their fields; the caller owns them.
//
// qryServico: the services of a service group in the branch that the module serves
//   (P_CDFILIAL, P_CDGRUPSERV, P_CDSERVFILI, or P_TCDSERVFILI "T" for all of the group).
// qryDietaPad: the diets offered for a branch and service, never kinds "1" and "2"
//   (P_CDFILIAL, P_CDSERVFILI; P_CDDIETPAD cleared lists all of them).

#include <QObject>

namespace dieta {
class TADOIBQuery;
}

namespace dieta::Cli_zfa13020 {

TADOIBQuery* CriaQryServico(QObject* owner);
TADOIBQuery* CriaQryDietaPad(QObject* owner);

} // namespace dieta::Cli_zfa13020
