#pragma once
// Registration of the remote data module's methods, one group per folder: every method of
// the table in contracts/rdmdietaoral.h, with its handler.

namespace dieta::server {
class MethodRegistry;

// List, menu choices, saving, restrictions (mainscreen/).
void registerMainScreenMethods(MethodRegistry& registry);
// Diet, duplicate, copy, pick lists, nutrients, prescriptions (dialogs/).
void registerDialogMethods(MethodRegistry& registry);

inline void registerAllMethods(MethodRegistry& registry) {
    registerMainScreenMethods(registry);
    registerDialogMethods(registry);
}

} // namespace dieta::server
