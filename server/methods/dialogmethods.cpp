#include "server/methodregistry.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerDialogMethods(MethodRegistry&) {}

} // namespace dieta::server
