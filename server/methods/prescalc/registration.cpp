#include "server/methods/methods.h"
#include "server/methods/prescalc/handlers.h"

namespace dieta::server {

void registerPrescriptionCalcMethods(MethodRegistry& registry) {
    namespace rdm = contracts::rdm;
    registry.add(tableEntry(rdm::GetPropPresDieta, getPropPresDieta));
    registry.add(tableEntry(rdm::SetPropPresDieta, setPropPresDieta));
}

} // namespace dieta::server
