// Pkg_zfa13000: the loadable Dieta Oral module. Exports IniProc, which the host calls to open
// the oral diet control screen, and the creation functions of its windows under their units'
// names. Everything else in the library stays hidden.

#include "contracts/hostapplication.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13040.h"
#include "views/Cli_zfa13060.h"
#include "views/Cli_zfa13100.h"

#include <type_traits>

#define DIETA_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The units' initialization runs when the library is loaded. Their finalization only clears
// the preselection path; the host never unloads the library, and at process exit the path
// may already be destroyed (static destruction order across units is unspecified), so it is
// not run from a static destructor.
struct UnitInitialization {
    UnitInitialization() { dieta::Cli_zfa13000::Initialization(); }
} unitInitialization;

} // namespace

DIETA_MODULE_EXPORT void IniProc() {
    dieta::Cli_zfa13000::CriaContAlim();
}
static_assert(std::is_same_v<decltype(&IniProc), dieta::contracts::IniProcFn>,
              "IniProc must keep the signature the host resolves");

DIETA_MODULE_EXPORT void Cli_zfa13000_CriaContAlim() {
    dieta::Cli_zfa13000::CriaContAlim();
}

DIETA_MODULE_EXPORT void Cli_zfa13100_CriaFiltroCont() {
    dieta::Cli_zfa13100::CriaFiltroCont();
}

DIETA_MODULE_EXPORT void Cli_zfa13040_CriaVisuRestInto(bool todosPratos) {
    dieta::Cli_zfa13040::CriaVisuRestInto(todosPratos);
}

DIETA_MODULE_EXPORT void Cli_zfa13060_CriaCalcNutriDieta() {
    dieta::Cli_zfa13060::CriaCalcNutriDieta();
}
