// Pkg_zfa80000: the host module ZFA80000, the diet-prescription calculation. The host runs it
// with the branch's code and name; the entry returns once the window is closed, so that the
// caller reloads what the calculation wrote.

#include "contracts/hostapplication.h"
#include "hostmodules/zfa80000/Cli_zfa80000.h"

#include <type_traits>

#define DIETA_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

DIETA_MODULE_EXPORT void IniProcParams(const QVariantList* params) {
    const QString filial = params ? params->value(0).toString() : QString();
    const QString nomeFilial = params ? params->value(1).toString() : QString();
    dieta::Cli_zfa80000::CriaCalcPresDieta(filial, nomeFilial);
}
static_assert(std::is_same_v<decltype(&IniProcParams), dieta::contracts::IniProcParamsFn>,
              "IniProcParams must keep the signature the host resolves");
