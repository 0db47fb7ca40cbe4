#pragma once
// The application server's remote data module as the module calls it: its object name and the
// names of its methods. Arguments and results are fixed by each caller.

namespace dieta::contracts::rdm {

inline constexpr const char* kServerObject = "Zfa13000.rdmDietaOral";

inline constexpr const char* GetInternacao = "GetInternacao";
inline constexpr const char* GetDiagInter = "GetDiagInter";
inline constexpr const char* GetConfCard = "GetConfCard";
inline constexpr const char* GetConfesco = "GetConfesco";
inline constexpr const char* GetCompCard = "GetCompCard";
inline constexpr const char* SetUpdServinte = "SetUpdServinte";
inline constexpr const char* SetUpdConfesco = "SetUpdConfesco";
inline constexpr const char* DelServ = "DelServ";
inline constexpr const char* GetVerifRestInto = "GetVerifRestInto";
inline constexpr const char* GetCardapioDieta = "GetCardapioDieta";
inline constexpr const char* getReceitaUtili = "getReceitaUtili";
inline constexpr const char* SetConfDieta = "SetConfDieta";
inline constexpr const char* SetDupDieta = "SetDupDieta";
inline constexpr const char* GetVdCopia = "GetVdCopia";
inline constexpr const char* GetCopiarDieta = "GetCopiarDieta";
inline constexpr const char* GetPaciInter = "GetPaciInter";
inline constexpr const char* GetDiagnost = "GetDiagnost";
inline constexpr const char* GetCalcNutriente = "GetCalcNutriente";
inline constexpr const char* GetPrescricao = "GetPrescricao";
inline constexpr const char* SetConfirmaPrescricao = "SetConfirmaPrescricao";
inline constexpr const char* GerVisuaRestInto = "GerVisuaRestInto";

} // namespace dieta::contracts::rdm
