#pragma once
// Registration of the remote data module's methods, one group per folder: every method of
// the table in contracts/rdmdietaoral.h, with its handler.

namespace dieta::server {
class MethodRegistry;

// List, menu choices, saving, restrictions (mainscreen/).
void registerMainScreenMethods(MethodRegistry& registry);
// Diet, duplicate, copy, pick lists, nutrients, prescriptions (dialogs/).
void registerDialogMethods(MethodRegistry& registry);
// The prescription calculation of the host module ZFA80000 (prescalc/).
void registerPrescriptionCalcMethods(MethodRegistry& registry);

inline void registerAllMethods(MethodRegistry& registry) {
    registerMainScreenMethods(registry);
    registerDialogMethods(registry);
    registerPrescriptionCalcMethods(registry);
}

} // namespace dieta::server
