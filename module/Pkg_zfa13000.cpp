// Pkg_zfa13000: the loadable Dieta Oral module. Exports IniProc, which the host calls to open
// the oral diet control screen, and the creation functions of its windows under their units'
// names. Everything else in the library stays hidden.

#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13040.h"
#include "views/Cli_zfa13100.h"

#define DIETA_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The units' initialization runs when the library is loaded, their finalization when it is
// unloaded (the host never unloads it, but a test process may end with it loaded).
struct UnitLifetime {
    UnitLifetime() { dieta::Cli_zfa13000::Initialization(); }
    ~UnitLifetime() { dieta::Cli_zfa13000::Finalization(); }
} unitLifetime;

} // namespace

DIETA_MODULE_EXPORT void IniProc() {
    dieta::Cli_zfa13000::CriaContAlim();
}

DIETA_MODULE_EXPORT void Cli_zfa13000_CriaContAlim() {
    dieta::Cli_zfa13000::CriaContAlim();
}

DIETA_MODULE_EXPORT void Cli_zfa13100_CriaFiltroCont() {
    dieta::Cli_zfa13100::CriaFiltroCont();
}

DIETA_MODULE_EXPORT void Cli_zfa13040_CriaVisuRestInto(bool todosPratos) {
    dieta::Cli_zfa13040::CriaVisuRestInto(todosPratos);
}
