#pragma once
// The handlers of the dialogs' remote methods; dialogmethods.cpp registers them with their
// argument kinds and by-reference positions.

#include "server/methodregistry.h"

namespace dieta::server {

CallResult getCardapioDieta(CallContext& context, QVariantList& args);
CallResult getReceitaUtili(CallContext& context, QVariantList& args);
CallResult setConfDieta(CallContext& context, QVariantList& args);
CallResult setDupDieta(CallContext& context, QVariantList& args);
CallResult getVdCopia(CallContext& context, QVariantList& args);
CallResult getCopiarDieta(CallContext& context, QVariantList& args);
CallResult getPaciInter(CallContext& context, QVariantList& args);
CallResult getDiagnost(CallContext& context, QVariantList& args);
CallResult getCalcNutriente(CallContext& context, QVariantList& args);
CallResult getPrescricao(CallContext& context, QVariantList& args);
CallResult setConfirmaPrescricao(CallContext& context, QVariantList& args);

} // namespace dieta::server
