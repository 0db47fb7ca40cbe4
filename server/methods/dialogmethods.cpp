#include "server/methodregistry.h"
#include "server/methods/dialog_methods.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerDialogMethods(MethodRegistry& registry) {
    using K = ArgKind;
    const K S = K::String;
    const K D = K::Date;
    const K V = K::Variant;
    // Positions count from 0; the by-reference ones come back after every call.
    registry.add(
        {QStringLiteral("GetCardapioDieta"), {S, S, D, S, S, S, S}, {3, 6}, getCardapioDieta});
    registry.add({QStringLiteral("getReceitaUtili"), {S, S, S}, {}, getReceitaUtili});
    registry.add(
        {QStringLiteral("SetConfDieta"), {S, S, D, V, V, S, S, S, S, V}, {8}, setConfDieta});
    registry.add({QStringLiteral("SetDupDieta"),
                  {S, S, D, S, S, S, S, K::Number, V, V, S},
                  {10},
                  setDupDieta});
    registry.add({QStringLiteral("GetVdCopia"), {D, S, S, S, S}, {2, 3, 4}, getVdCopia});
    registry.add({QStringLiteral("GetCopiarDieta"),
                  {S, S, S, D, S, S, S, K::Boolean, K::Boolean, D, S, V, S},
                  {1, 2, 4, 5, 6, 12},
                  getCopiarDieta});
    registry.add({QStringLiteral("GetPaciInter"), {S}, {}, getPaciInter});
    registry.add({QStringLiteral("GetDiagnost"), {}, {}, getDiagnost});
    registry.add(
        {QStringLiteral("GetCalcNutriente"), {S, S, S, D, S, S}, {4, 5}, getCalcNutriente});
    // The mark goes by value at the first load and by reference from the title click.
    registry.add({QStringLiteral("GetPrescricao"), {S, S, V}, {1}, getPrescricao});
    registry.add({QStringLiteral("SetConfirmaPrescricao"),
                  {S, S, S, D, S, V, S},
                  {},
                  setConfirmaPrescricao});
}

} // namespace dieta::server
