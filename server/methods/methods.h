#pragma once
// Registration of the remote data module's methods, one group per file.

namespace dieta::server {
class MethodRegistry;

void registerMainScreenMethods(MethodRegistry& registry); // list, menu choices, saving, restrictions
void registerDialogMethods(MethodRegistry& registry);     // diet, duplicate, copy, filter, nutrients, prescriptions

inline void registerAllMethods(MethodRegistry& registry) {
    registerMainScreenMethods(registry);
    registerDialogMethods(registry);
}

} // namespace dieta::server
