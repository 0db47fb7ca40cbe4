#pragma once
// The agreement between the module and the application server: the server object the module
// calls and, for each remote method, its name and its arguments in order, each with a name,
// a kind and whether it is passed by reference ("var": it comes back, maybe changed).
// The server builds its method registry from this table and reads arguments by these names;
// the module calls the methods by these names. Qt Core only: the server includes it too.

#include <QList>
#include <QString>
#include <cstring>

namespace dieta::contracts::rdm {

inline constexpr const char* kServerObject = "Zfa13000.rdmDietaOral";

// What an argument must hold on the wire; the server refuses any other value with 400.
enum class ArgKind {
    String,  // text; null is taken as an empty string
    Number,  // any number
    Date,    // a date, or a date-time whose time is dropped
    Boolean, // true or false
    Packet,  // a data packet
    Variant, // a packet, or null or an empty string standing for "no packet"
    Any      // whatever the wire carries; only for diagnostic methods, never in the table
};

enum class Passing { Value, Reference };

struct ArgDecl {
    const char* name;
    ArgKind kind;
    Passing passing = Passing::Value;

    bool byRef() const { return passing == Passing::Reference; }
};

struct MethodDecl {
    const char* name;
    QList<ArgDecl> args;

    // The 0-based position of the argument called `argName`; -1 when there is none.
    int position(const char* argName) const {
        for (int i = 0; i < args.size(); ++i)
            if (std::strcmp(args[i].name, argName) == 0)
                return i;
        return -1;
    }
    // The 0-based positions of the by-reference arguments, in order.
    QList<int> byRefPositions() const {
        QList<int> positions;
        for (int i = 0; i < args.size(); ++i)
            if (args[i].byRef())
                positions.append(i);
        return positions;
    }
};

// The method names, as the module passes them to TNetConnection::call.
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
inline constexpr const char* GetPropPresDieta = "GetPropPresDieta";
inline constexpr const char* SetPropPresDieta = "SetPropPresDieta";

// Every method of the server object. Lists of codes are texts "_code_code_" or "T" for all;
// "status" is "0" for the patient, "1" for the companion.
inline const QList<MethodDecl>& methodTable() {
    using enum ArgKind;
    constexpr Passing Ref = Passing::Reference;
    static const QList<MethodDecl> table = {
        // The main screen
        {GetInternacao, {{"params", Variant}}},
        {GetDiagInter, {{"branch", String}}},
        {GetConfCard, {{"branch", String}, {"service", String}}},
        {GetConfesco,
         {{"branch", String}, {"patient", String}, {"day", Date}, {"sequence", String}}},
        {GetCompCard,
         {{"branch", String},
          {"service", String},
          {"diet", String},
          {"day", Date},
          {"serviceKind", String}}},
        {SetUpdServinte,
         {{"branch", String},
          {"patient", String},
          {"day", Date},
          {"sequence", String},
          {"service", String},
          {"diet", String},
          {"operatorCode", String},
          {"rebuildMenu", Boolean},
          {"remark", String},
          {"choices", Variant}}},
        {SetUpdConfesco, {{"delta", Variant}}},
        {DelServ, {{"branch", String}, {"marked", Variant}}},
        {GetVerifRestInto,
         {{"branch", String},
          {"patient", String},
          {"service", String},
          {"mode", String, Ref},
          {"list", Variant},
          {"params", Variant}}},
        {GerVisuaRestInto,
         {{"branch", String},
          {"patient", String},
          {"day", Date},
          {"service", String},
          {"sequence", String},
          {"dish", String, Ref},
          {"dishBranch", String, Ref},
          {"admission", Date}}},
        // The diet dialogs
        {GetCardapioDieta,
         {{"branch", String},
          {"service", String},
          {"day", Date},
          {"diet", String, Ref},
          {"dietGroup", String},
          {"missingCardText", String},
          {"serviceKind", String, Ref}}},
        {getReceitaUtili, {{"branch", String}, {"dishCodeLevels", String}, {"service", String}}},
        {SetConfDieta,
         {{"branch", String},
          {"service", String},
          {"day", Date},
          {"marked", Variant},
          {"menu", Variant},
          {"diet", String},
          {"status", String},
          {"operatorCode", String},
          {"keepSettings", String, Ref},
          {"params", Variant}}},
        {SetDupDieta,
         {{"branch", String},
          {"service", String},
          {"day", Date},
          {"diet", String},
          {"missingCardText", String},
          {"status", String},
          {"operatorCode", String},
          {"quantity", Number},
          {"marked", Variant},
          {"params", Variant},
          {"serviceKind", String, Ref}}},
        // The copy dialog
        {GetVdCopia,
         {{"destination", Date},
          {"branch", String},
          {"services", String, Ref},
          {"patients", String, Ref},
          {"serviceGroup", String, Ref}}},
        {GetCopiarDieta,
         {{"branch", String},
          {"patients", String, Ref},
          {"services", String, Ref},
          {"origin", Date},
          {"beds", String, Ref},
          {"wings", String, Ref},
          {"floors", String, Ref},
          {"copySpecial", Boolean},
          {"overwrite", Boolean},
          {"destination", Date},
          {"operatorCode", String},
          {"params", Variant},
          {"serviceGroup", String, Ref}}},
        {GetPaciInter, {{"branch", String}}},
        // The clinical windows
        {GetDiagnost, {}},
        {GetCalcNutriente,
         {{"branch", String},
          {"patient", String},
          {"service", String},
          {"day", Date},
          {"nutrientGroup", String, Ref},
          {"nutrients", String, Ref}}},
        // The mark goes by value at the first load and by reference from the title click.
        {GetPrescricao, {{"branch", String}, {"mark", String, Ref}, {"params", Variant}}},
        {SetConfirmaPrescricao,
         {{"branch", String},
          {"service", String},
          {"serviceKind", String},
          {"day", Date},
          {"operatorCode", String},
          {"prescriptions", Variant},
          {"missingCardText", String}}},
        // The prescription calculation (host module ZFA80000): the day's proposals, and the
        // ticked ones written as prescriptions.
        {GetPropPresDieta, {{"branch", String}, {"day", Date}}},
        {SetPropPresDieta,
         {{"branch", String}, {"day", Date}, {"operatorCode", String}, {"proposals", Variant}}},
    };
    return table;
}

// The table's entry for a method name; nullptr when the server has no such method.
inline const MethodDecl* findMethod(const QString& name) {
    for (const MethodDecl& method : methodTable())
        if (name == QLatin1String(method.name))
            return &method;
    return nullptr;
}

} // namespace dieta::contracts::rdm
