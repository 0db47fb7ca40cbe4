#pragma once
// The fixed part of the demo hospital: branches, services, diets, dishes, nutrients,
// diagnoses, medicines, operators. The sized part (beds, inpatients, records) is built on it
// by generateDemo.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace dieta::server::demo {

inline constexpr char mainBranch[] = "0001";
inline constexpr char secondBranch[] = "0002";
inline constexpr char nutritionist[] = "NUTRI01";    // nutritionist of both branches
inline constexpr char notNutritionist[] = "ADMIN01"; // an operator who is no nutritionist

enum class Ward { Adult, Surgical, Children, Maternity, Intensive, Oncology, Infant, None };

struct Service {
    const char* branch;
    const char* code;
    const char* name;
    const char* group;    // nullptr: in no group
    const char* kind;     // IDTIPOSERV
    const char* hospKind; // IDTPSERVHOSP or nullptr
    int weight;           // share of the branch's beds; 0 = no beds
    const char* config;   // CONFCARD dish types in order, "" = no standard configuration
    const char* diets;    // DIETSERV diet codes
    Ward ward;
};

enum class MenuStyle { General, Soft, Liquid, Infant, Enteral, EnteralHomemade, None };

struct Diet {
    const char* code;
    const char* name;
    const char* group; // nullptr: no group
    const char* kind;  // IDFORMDIET
    bool special;
    bool ownCard; // false: no card of its own (a group card, or none at all)
    MenuStyle style;
    const char* excludedGroups; // product groups its menu leaves out
};

struct DietGroup {
    const char* code;
    const char* name;
    bool card; // the group has menu cards of its own
};

struct Diagnosis {
    const char* code;
    const char* name;
    Ward ward; // the ward where it is usually seen (None: any adult ward)
};

struct Restriction {
    const char* diagnosis;
    const char* productGroup;
    const char* kind; // "R" restriction, "I" intolerance
};

struct DiagnosisDiet {
    const char* diagnosis;
    const char* diet; // the standard diet the diagnosis calls for
};

struct Medicine {
    const char* code;
    const char* name;
    const char* ingredients; // active ingredient codes separated by blanks
};

struct Ingredient {
    const char* code;
    const char* name;
    // interacting nutrients as "code:limit" separated by blanks; limit: the amount in one
    // portion of a dish above which the dish is flagged
    const char* nutrients;
};

struct Interaction {
    QString nutrient;
    double limit;
};

std::vector<Interaction> interactionsOf(const Ingredient& ingredient);

const std::vector<Service>& services();
const std::vector<Diet>& diets();
const std::vector<DietGroup>& dietGroups();
const std::vector<Diagnosis>& diagnoses();
const std::vector<Restriction>& restrictions();
const std::vector<DiagnosisDiet>& diagnosisDiets();
const std::vector<Medicine>& medicines();
const std::vector<Ingredient>& ingredients();

const Diet* findDiet(const QString& code);
QStringList words(const char* text);

// Inserts every fixed table (lookups, dishes with nutrients and product groups, standard
// configurations, operators and nutritionists). Throws SqlError.
void insertReference(const QSqlDatabase& conn);

} // namespace dieta::server::demo
