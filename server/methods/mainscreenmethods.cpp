#include "server/methodregistry.h"
#include "server/methods/mainscreenhandlers.h"
#include "server/methods/methods.h"

namespace dieta::server {

void registerMainScreenMethods(MethodRegistry& registry) {
    using K = ArgKind;
    registry.add({QStringLiteral("GetInternacao"), {K::Variant}, {}, getInternacao});
    registry.add({QStringLiteral("GetDiagInter"), {K::String}, {}, getDiagInter});
    registry.add({QStringLiteral("GetConfCard"), {K::String, K::String}, {}, getConfCard});
    registry.add({QStringLiteral("GetConfesco"),
                  {K::String, K::String, K::Date, K::String},
                  {},
                  getConfesco});
    registry.add({QStringLiteral("GetCompCard"),
                  {K::String, K::String, K::String, K::Date, K::String},
                  {},
                  getCompCard});
    registry.add({QStringLiteral("SetUpdServinte"),
                  {K::String, K::String, K::Date, K::String, K::String, K::String, K::String,
                   K::Boolean, K::String, K::Variant},
                  {},
                  setUpdServinte});
    registry.add({QStringLiteral("SetUpdConfesco"), {K::Variant}, {}, setUpdConfesco});
    registry.add({QStringLiteral("DelServ"), {K::String, K::Variant}, {}, delServ});
    registry.add({QStringLiteral("GetVerifRestInto"),
                  {K::String, K::String, K::String, K::String, K::Variant, K::Variant},
                  {3},
                  getVerifRestInto});
    registry.add(
        {QStringLiteral("GerVisuaRestInto"),
         {K::String, K::String, K::Date, K::String, K::String, K::String, K::String, K::Date},
         {5, 6},
         gerVisuaRestInto});
}

} // namespace dieta::server
