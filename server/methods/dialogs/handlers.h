#pragma once
// The handlers of the dialogs' remote methods (registered in registration.cpp). Each reads its
// arguments by the names of the method table.

#include "server/methods/methodcall.h"

namespace dieta::server {

CallResult getCardapioDieta(MethodCall& call);
CallResult getReceitaUtili(MethodCall& call);
CallResult setConfDieta(MethodCall& call);
CallResult setDupDieta(MethodCall& call);
CallResult getVdCopia(MethodCall& call);
CallResult getCopiarDieta(MethodCall& call);
CallResult getPaciInter(MethodCall& call);
CallResult getDiagnost(MethodCall& call);
CallResult getCalcNutriente(MethodCall& call);
CallResult getPrescricao(MethodCall& call);
CallResult setConfirmaPrescricao(MethodCall& call);

} // namespace dieta::server
