#include "server/methodregistry.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerMainScreenMethods(MethodRegistry&) {}

} // namespace dieta::server
