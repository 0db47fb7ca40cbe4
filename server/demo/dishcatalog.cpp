#include "server/demo/dishcatalog.h"

namespace dieta::server {

// Amount columns of CatalogDish::amounts, per portion:
// protein g, carbohydrate g, lipid g, alcohol g, dietary fibre g, sodium mg, potassium mg,
// calcium mg, iron mg, vitamin C mg, vitamin K mcg, cholesterol mg.

const std::vector<CatalogNutrientGroup>& catalogNutrientGroups() {
    static const std::vector<CatalogNutrientGroup> groups = {
        {"01", "Macronutrientes"},
        {"02", "Minerais"},
        {"03", "Vitaminas"},
        {"04", "Outros"},
    };
    return groups;
}

const std::vector<CatalogNutrient>& catalogNutrients() {
    static const std::vector<CatalogNutrient> nutrients = {
        {"001", "Proteína", "01", "g", "P"},        {"002", "Carboidrato", "01", "g", "C"},
        {"003", "Lipídio", "01", "g", "L"},         {"004", "Álcool", "01", "g", "A"},
        {"005", "Fibra alimentar", "01", "g", "N"}, {"006", "Sódio", "02", "mg", "N"},
        {"007", "Potássio", "02", "mg", "N"},       {"008", "Cálcio", "02", "mg", "N"},
        {"009", "Ferro", "02", "mg", "N"},          {"010", "Vitamina C", "03", "mg", "N"},
        {"011", "Vitamina K", "03", "mcg", "N"},    {"012", "Colesterol", "04", "mg", "N"},
    };
    return nutrients;
}

const std::vector<CatalogProductGroup>& catalogProductGroups() {
    static const std::vector<CatalogProductGroup> groups = {
        {"LEITE", "Leite e derivados (lactose)"}, {"GLUTEN", "Cereais com glúten"},
        {"OVO", "Ovo e preparações com ovo"},     {"PEIXE", "Peixes e frutos do mar"},
        {"OLEAG", "Amendoim e oleaginosas"},      {"ACUCAR", "Açúcares e doces"},
        {"SODIO", "Alimentos ricos em sódio"},    {"GORDUR", "Gorduras e frituras"},
    };
    return groups;
}

const std::vector<CatalogDishLevel>& catalogDishLevels() {
    static const std::vector<CatalogDishLevel> levels = {
        {"01", "Desjejum e bebidas"},
        {"01.01", "Leites e bebidas"},
        {"01.02", "Pães e cereais"},
        {"02", "Refeições"},
        {"02.01", "Carnes e ovos"},
        {"02.02", "Guarnições"},
        {"02.03", "Saladas"},
        {"02.04", "Sopas e caldos"},
        {"03", "Sobremesas e lanches"},
        {"03.01", "Frutas"},
        {"03.02", "Doces"},
        {"03.03", "Lanches"},
        {"04", "Fórmulas"},
        {"04.01", "Fórmulas e suplementos"},
    };
    return levels;
}

const std::vector<CatalogDish>& catalogDishes() {
    // clang-format off
    static const std::vector<CatalogDish> dishes = {
        // code, name, usual dish type, portion,
        //   {prot, carb, lip, alc, fib, Na, K, Ca, Fe, vitC, vitK, chol}, product groups, branch
        {"01.01.001", "Café com leite", "01", 200, {5.0, 7.5, 4.6, 0, 0, 75, 260, 170, 0.1, 1, 0.5, 15}, "LEITE", "P"},
        {"01.01.002", "Chá de camomila", "06", 200, {0, 0.4, 0, 0, 0, 2, 18, 4, 0.2, 0, 0, 0}, "", "P"},
        {"01.01.003", "Suco de laranja natural", "02", 200, {1.4, 20.8, 0.4, 0, 0.4, 2, 400, 22, 0.4, 100, 0.2, 0}, "", "P"},
        {"01.01.004", "Leite desnatado", "01", 200, {6.8, 9.8, 0.4, 0, 0, 100, 320, 250, 0.1, 2, 0, 4}, "LEITE", "P"},
        {"01.01.005", "Leite sem lactose", "01", 200, {6.2, 9.4, 6.0, 0, 0, 100, 300, 230, 0.1, 2, 0.6, 20}, "", "P"},
        {"01.01.006", "Vitamina de banana", "04", 300, {8.7, 38.0, 7.6, 0, 2.0, 100, 700, 280, 0.5, 10, 1.0, 24}, "LEITE ACUCAR", "P"},
        {"01.02.001", "Pão francês com manteiga", "01", 55, {4.0, 29.0, 5.6, 0, 1.2, 355, 60, 15, 0.5, 0, 0.5, 15}, "GLUTEN LEITE SODIO", "P"},
        {"01.02.002", "Pão integral", "01", 50, {4.7, 24.9, 1.8, 0, 3.4, 236, 110, 66, 1.5, 0, 0.8, 0}, "GLUTEN", "P"},
        {"01.02.003", "Torrada", "01", 30, {3.4, 22.0, 1.0, 0, 1.2, 200, 50, 20, 0.8, 0, 0.3, 0}, "GLUTEN", "P"},
        {"01.02.004", "Mingau de aveia", "01", 200, {8.0, 30.0, 6.0, 0, 3.0, 90, 330, 200, 1.5, 1, 1.0, 15}, "LEITE GLUTEN ACUCAR", "P"},
        {"01.02.005", "Tapioca com queijo", "04", 100, {7.0, 40.0, 6.0, 0, 0.3, 250, 30, 150, 0.3, 0, 0.5, 20}, "LEITE", "P"},
        {"01.02.006", "Cuscuz nordestino", "01", 120, {2.6, 30.0, 0.9, 0, 2.5, 300, 60, 3, 0.3, 0, 0, 0}, "", "P"},
        {"01.02.007", "Pão sem glúten", "01", 50, {2.5, 27.0, 3.0, 0, 2.0, 250, 60, 20, 0.5, 0, 0.5, 0}, "OVO", "P"},
        {"02.01.001", "Frango grelhado", "03", 100, {32.0, 0, 2.5, 0, 0, 50, 280, 5, 0.3, 0, 0.3, 89}, "", "P"},
        {"02.01.002", "Carne moída refogada", "03", 100, {26.7, 0, 10.9, 0, 0, 60, 290, 5, 2.7, 0, 1.2, 80}, "", "P"},
        {"02.01.003", "Bife acebolado", "03", 100, {29.0, 2.0, 11.0, 0, 0.3, 70, 330, 6, 2.9, 1, 1.5, 85}, "GORDUR", "P"},
        {"02.01.004", "Tilápia assada", "05", 100, {26.0, 0, 2.7, 0, 0, 56, 380, 14, 0.7, 0, 1.4, 57}, "PEIXE", "P"},
        {"02.01.005", "Omelete", "05", 100, {12.0, 1.0, 11.0, 0, 0, 200, 140, 50, 1.5, 0, 4.0, 370}, "OVO", "P"},
        {"02.01.006", "Estrogonofe de frango", "03", 130, {20.0, 4.0, 12.0, 0, 0.3, 400, 300, 40, 0.8, 1, 2.0, 80}, "LEITE", "P"},
        {"02.01.007", "Carne de panela", "05", 100, {30.0, 2.0, 10.0, 0, 0.4, 200, 300, 10, 2.5, 1, 1.0, 90}, "", "P"},
        {"02.01.008", "Peixe ao molho de coco", "03", 120, {24.0, 3.0, 14.0, 0, 0.5, 320, 400, 30, 1.2, 2, 3.0, 60}, "PEIXE", "0002"},
        {"02.02.001", "Arroz branco", "03", 100, {2.5, 28.1, 0.2, 0, 1.6, 1, 15, 4, 0.1, 0, 0, 0}, "", "P"},
        {"02.02.002", "Arroz integral", "03", 100, {2.6, 25.8, 1.0, 0, 2.7, 1, 75, 5, 0.3, 0, 0.6, 0}, "", "P"},
        {"02.02.003", "Feijão carioca", "03", 100, {4.8, 13.6, 0.5, 0, 8.5, 2, 255, 27, 1.3, 0, 3.0, 0}, "", "P"},
        {"02.02.004", "Purê de batata", "05", 100, {1.8, 11.3, 3.5, 0, 1.0, 220, 300, 25, 0.3, 7, 1.0, 8}, "LEITE", "P"},
        {"02.02.005", "Legumes cozidos", "03", 100, {1.0, 6.0, 0.2, 0, 2.3, 10, 170, 20, 0.3, 5, 15.0, 0}, "", "P"},
        {"02.02.006", "Macarrão ao sugo", "05", 150, {6.0, 40.0, 3.0, 0, 2.5, 300, 200, 15, 1.2, 4, 4.0, 0}, "GLUTEN", "P"},
        {"02.02.007", "Farofa", "03", 30, {0.6, 24.0, 3.5, 0, 2.0, 250, 100, 10, 0.4, 0, 1.0, 5}, "SODIO GORDUR", "P"},
        {"02.02.008", "Abóbora refogada", "05", 100, {1.4, 10.0, 1.5, 0, 2.5, 100, 230, 10, 0.4, 5, 1.0, 0}, "", "P"},
        {"02.02.009", "Couve refogada", "03", 50, {0.9, 4.3, 3.5, 0, 2.9, 5, 200, 90, 0.3, 40, 250.0, 0}, "", "P"},
        {"02.03.001", "Salada de alface e tomate", "03", 100, {1.1, 3.3, 0.2, 0, 1.6, 6, 220, 22, 0.4, 15, 60.0, 0}, "", "P"},
        {"02.03.002", "Salada de beterraba e cenoura", "05", 100, {1.3, 8.5, 0.1, 0, 3.0, 50, 280, 20, 0.4, 4, 8.0, 0}, "", "P"},
        {"02.04.001", "Sopa de legumes", "05", 300, {4.0, 18.0, 3.0, 0, 4.0, 600, 450, 40, 1.2, 10, 20.0, 0}, "SODIO", "P"},
        {"02.04.002", "Canja de galinha", "05", 300, {12.0, 20.0, 4.0, 0, 1.0, 700, 300, 20, 1.0, 2, 3.0, 30}, "SODIO", "P"},
        {"02.04.003", "Caldo de feijão", "05", 200, {6.0, 14.0, 2.0, 0, 6.0, 400, 400, 40, 2.0, 1, 4.0, 0}, "SODIO", "P"},
        {"03.01.001", "Banana prata", "02", 70, {0.9, 18.2, 0.1, 0, 1.4, 0, 250, 6, 0.3, 15, 0.4, 0}, "", "P"},
        {"03.01.002", "Mamão papaia", "02", 150, {0.8, 17.0, 0.2, 0, 1.5, 3, 190, 34, 0.3, 123, 4.0, 0}, "", "P"},
        {"03.01.003", "Maçã", "04", 130, {0.4, 20.0, 0.2, 0, 1.7, 1, 100, 3, 0.1, 3, 3.0, 0}, "", "P"},
        {"03.01.004", "Salada de frutas", "03", 150, {1.0, 22.0, 0.3, 0, 2.5, 2, 280, 18, 0.3, 45, 2.0, 0}, "", "P"},
        {"03.01.005", "Melancia", "05", 200, {1.8, 16.2, 0.2, 0, 0.2, 0, 208, 16, 0.4, 12, 0.2, 0}, "", "P"},
        {"03.02.001", "Gelatina", "03", 120, {1.8, 22.0, 0, 0, 0, 60, 1, 2, 0, 0, 0, 0}, "ACUCAR", "P"},
        {"03.02.002", "Pudim de leite", "05", 100, {5.0, 45.0, 6.0, 0, 0, 90, 220, 150, 0.3, 1, 0.3, 80}, "LEITE OVO ACUCAR", "P"},
        {"03.02.003", "Gelatina diet", "03", 120, {1.2, 0.5, 0, 0, 0, 60, 1, 2, 0, 0, 0, 0}, "", "P"},
        {"03.02.004", "Arroz doce", "04", 150, {5.0, 40.0, 5.0, 0, 0.3, 70, 200, 140, 0.2, 1, 0.3, 15}, "LEITE ACUCAR", "P"},
        {"03.02.005", "Pera ao vinho", "05", 120, {0.5, 30.0, 0.2, 2.0, 3.0, 5, 150, 12, 0.3, 4, 5.0, 0}, "ACUCAR", "P"},
        {"03.03.001", "Biscoito cream cracker", "02", 30, {3.0, 20.6, 4.3, 0, 0.8, 258, 40, 6, 0.7, 0, 0.5, 0}, "GLUTEN SODIO", "P"},
        {"03.03.002", "Iogurte natural", "06", 170, {7.0, 9.5, 5.0, 0, 0, 90, 300, 240, 0.1, 1, 0.3, 17}, "LEITE", "P"},
        {"03.03.003", "Bolo de cenoura", "04", 60, {3.0, 30.0, 10.0, 0, 0.8, 150, 90, 25, 0.7, 1, 2.0, 40}, "GLUTEN OVO ACUCAR", "P"},
        {"03.03.004", "Castanha-do-pará", "02", 15, {2.2, 1.8, 9.5, 0, 1.2, 0, 100, 24, 0.4, 0, 0, 0}, "OLEAG", "P"},
        {"04.01.001", "Fórmula enteral padrão", "07", 200, {8.0, 27.6, 6.8, 0, 0, 180, 300, 120, 2.4, 20, 12.0, 5}, "", "P"},
        {"04.01.002", "Suplemento hiperproteico", "07", 200, {20.0, 28.0, 10.0, 0, 0, 200, 400, 300, 3.0, 25, 15.0, 10}, "LEITE", "P"},
        {"04.01.003", "Fórmula infantil", "07", 150, {2.1, 11.0, 5.3, 0, 0, 27, 100, 75, 1.2, 13, 8.0, 5}, "LEITE", "P"},
    };
    // clang-format on
    return dishes;
}

QStringList productGroupsOf(const CatalogDish& dish) {
    return QString::fromUtf8(dish.productGroups).split(u' ', Qt::SkipEmptyParts);
}

double energyKcal(const CatalogDish& dish) {
    return 4 * dish.amounts[0] + 4 * dish.amounts[1] + 9 * dish.amounts[2] + 7 * dish.amounts[3];
}

const CatalogDish* findCatalogDish(const QString& code) {
    for (const CatalogDish& dish : catalogDishes())
        if (code == QLatin1String(dish.code))
            return &dish;
    return nullptr;
}

} // namespace dieta::server
