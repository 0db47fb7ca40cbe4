#pragma once
// The handlers of the prescription calculation's remote methods (registered in
// registration.cpp). Each reads its arguments by the names of the method table.

#include "server/methods/methodcall.h"

namespace dieta::server {

CallResult getPropPresDieta(MethodCall& call);
CallResult setPropPresDieta(MethodCall& call);

} // namespace dieta::server
