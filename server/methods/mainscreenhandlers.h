#pragma once
// Handlers of the main screen's remote methods (registered in mainscreenmethods.cpp).
// Argument positions are those of the method's registration.

#include "server/methodregistry.h"

namespace dieta::server {

// Reading (mainscreenreads.cpp)
CallResult getInternacao(CallContext& context, QVariantList& args);
CallResult getDiagInter(CallContext& context, QVariantList& args);
CallResult getConfCard(CallContext& context, QVariantList& args);
CallResult getConfesco(CallContext& context, QVariantList& args);
CallResult getCompCard(CallContext& context, QVariantList& args);
CallResult gerVisuaRestInto(CallContext& context, QVariantList& args);

// Writing (mainscreenwrites.cpp, choicechanges.cpp)
CallResult setUpdServinte(CallContext& context, QVariantList& args);
CallResult setUpdConfesco(CallContext& context, QVariantList& args);
CallResult delServ(CallContext& context, QVariantList& args);
CallResult getVerifRestInto(CallContext& context, QVariantList& args);

// The fields of a record's menu choices (the module's cdsConfesco), in its order.
QList<FieldDef> choiceFields();

} // namespace dieta::server
