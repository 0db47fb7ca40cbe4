#include "server/methods/dialogs/handlers.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerDialogMethods(MethodRegistry& registry) {
    namespace rdm = contracts::rdm;
    registry.add(tableEntry(rdm::GetCardapioDieta, getCardapioDieta));
    registry.add(tableEntry(rdm::getReceitaUtili, getReceitaUtili));
    registry.add(tableEntry(rdm::SetConfDieta, setConfDieta));
    registry.add(tableEntry(rdm::SetDupDieta, setDupDieta));
    registry.add(tableEntry(rdm::GetVdCopia, getVdCopia));
    registry.add(tableEntry(rdm::GetCopiarDieta, getCopiarDieta));
    registry.add(tableEntry(rdm::GetPaciInter, getPaciInter));
    registry.add(tableEntry(rdm::GetDiagnost, getDiagnost));
    registry.add(tableEntry(rdm::GetCalcNutriente, getCalcNutriente));
    registry.add(tableEntry(rdm::GetPrescricao, getPrescricao));
    registry.add(tableEntry(rdm::SetConfirmaPrescricao, setConfirmaPrescricao));
}

} // namespace dieta::server
