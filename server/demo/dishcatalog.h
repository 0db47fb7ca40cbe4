#pragma once
// A curated catalogue of dishes served in Brazilian hospitals, with nutrient amounts per
// portion taken from common food composition figures (cooked preparations, household
// portions). The demo generator and the tests build the dish tables from it.

#include <QString>
#include <QStringList>
#include <vector>

namespace dieta::server {

struct CatalogNutrient {
    const char* code; // NUTRIENTE.CDNUTRIENTE
    const char* name;
    const char* group; // GRUPNUTR.CDGRUPNUTR
    const char* unit;
    const char* macro; // "P" protein, "C" carbohydrate, "L" lipid, "A" alcohol, "N" none
};

struct CatalogNutrientGroup {
    const char* code;
    const char* name;
};

struct CatalogProductGroup {
    const char* code; // SUBGRPROD.CDSUBGRPROD
    const char* name;
};

// A level above complete dishes in the dish-code mask ("01" or "01.02").
struct CatalogDishLevel {
    const char* code;
    const char* name;
};

// Amounts in the order of catalogNutrients(); see dishcatalog.cpp for the columns.
inline constexpr int catalogNutrientCount = 12;

struct CatalogDish {
    const char* code; // "01.02.003": mask "99.99.999"
    const char* name;
    const char* dishType; // usual TIPOPRAT code
    double portion;       // grams or millilitres
    double amounts[catalogNutrientCount];
    const char* productGroups; // SUBGRPROD codes separated by blanks
    const char* branch;        // CDFILAUXPRAT: "P" every branch, else the one branch
};

const std::vector<CatalogNutrientGroup>& catalogNutrientGroups();
const std::vector<CatalogNutrient>& catalogNutrients();
const std::vector<CatalogProductGroup>& catalogProductGroups();
const std::vector<CatalogDishLevel>& catalogDishLevels();
const std::vector<CatalogDish>& catalogDishes();

// The dish's product groups as a list.
QStringList productGroupsOf(const CatalogDish& dish);

// Energy of one portion in kcal from protein (4), carbohydrate (4), lipid (9), alcohol (7).
double energyKcal(const CatalogDish& dish);

// The catalogue dish with this code, or nullptr.
const CatalogDish* findCatalogDish(const QString& code);

} // namespace dieta::server
