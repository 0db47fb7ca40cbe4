#pragma once
// Handlers of the main screen's remote methods (registered in registration.cpp). Each reads
// its arguments by the names of the method table.

#include "platform/datapacket.h"
#include "server/methods/methodcall.h"

namespace dieta::server {

// Reading (reads.cpp)
CallResult getInternacao(MethodCall& call);
CallResult getDiagInter(MethodCall& call);
CallResult getConfCard(MethodCall& call);
CallResult getConfesco(MethodCall& call);
CallResult getCompCard(MethodCall& call);
CallResult gerVisuaRestInto(MethodCall& call);

// Writing (writes.cpp, choicechanges.cpp)
CallResult setUpdServinte(MethodCall& call);
CallResult setUpdConfesco(MethodCall& call);
CallResult delServ(MethodCall& call);
CallResult getVerifRestInto(MethodCall& call);

// The fields of a record's menu choices (the module's cdsConfesco), in its order.
QList<FieldDef> choiceFields();

} // namespace dieta::server
