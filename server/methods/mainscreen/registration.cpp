#include "server/methods/mainscreen/handlers.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerMainScreenMethods(MethodRegistry& registry) {
    namespace rdm = contracts::rdm;
    registry.add(tableEntry(rdm::GetInternacao, getInternacao));
    registry.add(tableEntry(rdm::GetDiagInter, getDiagInter));
    registry.add(tableEntry(rdm::GetConfCard, getConfCard));
    registry.add(tableEntry(rdm::GetConfesco, getConfesco));
    registry.add(tableEntry(rdm::GetCompCard, getCompCard));
    registry.add(tableEntry(rdm::SetUpdServinte, setUpdServinte));
    registry.add(tableEntry(rdm::SetUpdConfesco, setUpdConfesco));
    registry.add(tableEntry(rdm::DelServ, delServ));
    registry.add(tableEntry(rdm::GetVerifRestInto, getVerifRestInto));
    registry.add(tableEntry(rdm::GerVisuaRestInto, gerVisuaRestInto));
}

} // namespace dieta::server
