#include "server/demo/demoreference.h"

#include "platform/sqldatabase.h"
#include "server/demo/dishcatalog.h"
#include "server/storage/batchinsert.h"

#include <QSqlQuery>
#include <QVariant>

namespace dieta::server::demo {

namespace {

const char* const adultMeals = "01 02 03 04 05 06";

QVariant text(const char* value) {
    return value ? QVariant(QString::fromUtf8(value)) : QVariant();
}

struct Named {
    const char* code;
    const char* name;
};

const std::vector<Named> branches = {{"0001", "Hospital Central"}, {"0002", "Unidade Norte"}};

const std::vector<Named> serviceGroups = {
    {"001", "Internação Adulto"}, {"002", "Materno-Infantil"}, {"003", "Serviços de Apoio"}};

const std::vector<Named> dishTypes = {{"01", "Desjejum"}, {"02", "Colação"}, {"03", "Almoço"},
                                      {"04", "Lanche"},   {"05", "Jantar"},  {"06", "Ceia"},
                                      {"07", "Fórmula"}};

const std::vector<Named> serviceStandards = {{"ENF", "Enfermaria"},
                                             {"APT", "Apartamento"},
                                             {"UTI", "Terapia Intensiva"},
                                             {"BER", "Berçário"}};

const std::vector<Named> operators = {{"NUTRI01", "Ana Beatriz Moura (nutricionista)"},
                                      {"NUTRI02", "Carlos Eduardo Lima (nutricionista)"},
                                      {"NUTRI03", "Fernanda Alves (nutricionista)"},
                                      {"ADMIN01", "Administrador do sistema"}};

const std::vector<Named> nutritionistBranches = {
    {"NUTRI01", "0001"}, {"NUTRI01", "0002"}, {"NUTRI02", "0001"}, {"NUTRI03", "0002"}};

void insertNamed(const QSqlDatabase& conn, const QString& table, const QStringList& columns,
                 const std::vector<Named>& rows) {
    BatchInsert insert(conn, table, columns);
    for (const Named& row : rows)
        insert.add({text(row.code), text(row.name)});
    insert.flush();
}

void insertServices(const QSqlDatabase& conn) {
    BatchInsert servico(conn, QStringLiteral("SERVICO"),
                        {QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"),
                         QStringLiteral("NMSERVICO"), QStringLiteral("CDGRUPSERV"),
                         QStringLiteral("IDTIPOSERV"), QStringLiteral("IDTPSERVHOSP")});
    BatchInsert dietServ(
        conn, QStringLiteral("DIETSERV"),
        {QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"), QStringLiteral("CDDIETPAD")});
    BatchInsert confCard(conn, QStringLiteral("CONFCARD"),
                         {QStringLiteral("CDFILIAL"), QStringLiteral("CDSERVFILI"),
                          QStringLiteral("CDTIPOPRAT"), QStringLiteral("NRSEQCNFCARD")});
    for (const Service& service : services()) {
        servico.add({text(service.branch), text(service.code), text(service.name),
                     text(service.group), text(service.kind), text(service.hospKind)});
        for (const QString& diet : words(service.diets))
            dietServ.add({text(service.branch), text(service.code), diet});
        int order = 0;
        for (const QString& type : words(service.config))
            confCard.add({text(service.branch), text(service.code), type, ++order});
    }
    servico.flush();
    dietServ.flush();
    confCard.flush();
}

void insertDiets(const QSqlDatabase& conn) {
    BatchInsert groups(conn, QStringLiteral("DIETGRUP"),
                       {QStringLiteral("CDDIETGRUP"), QStringLiteral("NMDIETGRUP")});
    for (const DietGroup& group : dietGroups())
        groups.add({text(group.code), text(group.name)});
    groups.flush();
    BatchInsert insert(conn, QStringLiteral("DIETPADR"),
                       {QStringLiteral("CDDIETPAD"), QStringLiteral("DSDIETPAD"),
                        QStringLiteral("CDDIETGRUP"), QStringLiteral("IDFORMDIET"),
                        QStringLiteral("IDDIETESPE")});
    for (const Diet& diet : diets())
        insert.add({text(diet.code), text(diet.name), text(diet.group), text(diet.kind),
                    diet.special ? QStringLiteral("S") : QStringLiteral("N")});
    insert.flush();
}

void insertNutrients(const QSqlDatabase& conn) {
    BatchInsert groups(conn, QStringLiteral("GRUPNUTR"),
                       {QStringLiteral("CDGRUPNUTR"), QStringLiteral("NMGRUPNUTR")});
    for (const CatalogNutrientGroup& group : catalogNutrientGroups())
        groups.add({text(group.code), text(group.name)});
    groups.flush();
    BatchInsert nutrients(conn, QStringLiteral("NUTRIENTE"),
                          {QStringLiteral("CDNUTRIENTE"), QStringLiteral("NMNUTRIENTE"),
                           QStringLiteral("CDGRUPNUTR"), QStringLiteral("NMUNIDADE"),
                           QStringLiteral("IDMACRONUT")});
    for (const CatalogNutrient& nutrient : catalogNutrients())
        nutrients.add({text(nutrient.code), text(nutrient.name), text(nutrient.group),
                       text(nutrient.unit), text(nutrient.macro)});
    nutrients.flush();
    QSqlQuery parameters(conn);
    if (!parameters.exec(
            QStringLiteral("INSERT INTO PARADIETO (CDPARADIETO, IDVCTCALCNUT) VALUES (1, 'S')")))
        throw SqlError("PARADIETO");
}

void insertDishes(const QSqlDatabase& conn) {
    insertNamed(conn, QStringLiteral("SUBGRPROD"),
                {QStringLiteral("CDSUBGRPROD"), QStringLiteral("NMSUBGRPROD")}, [] {
                    std::vector<Named> rows;
                    for (const CatalogProductGroup& group : catalogProductGroups())
                        rows.push_back({group.code, group.name});
                    return rows;
                }());
    BatchInsert prato(conn, QStringLiteral("PRATO"),
                      {QStringLiteral("CDFILAUXPRAT"), QStringLiteral("CDPRATO"),
                       QStringLiteral("NMPRATO"), QStringLiteral("CDTIPOPRAT"),
                       QStringLiteral("QTPORCAO")});
    BatchInsert nutrients(conn, QStringLiteral("PRATNUTR"),
                          {QStringLiteral("CDFILAUXPRAT"), QStringLiteral("CDPRATO"),
                           QStringLiteral("CDNUTRIENTE"), QStringLiteral("QTNUTRPORC")});
    BatchInsert products(
        conn, QStringLiteral("PRATPROD"),
        {QStringLiteral("CDFILAUXPRAT"), QStringLiteral("CDPRATO"), QStringLiteral("CDSUBGRPROD")});
    for (const CatalogDishLevel& level : catalogDishLevels())
        prato.add(
            {QStringLiteral("P"), text(level.code), text(level.name), QVariant(), QVariant()});
    const std::vector<CatalogNutrient>& nutrientList = catalogNutrients();
    for (const CatalogDish& dish : catalogDishes()) {
        prato.add({text(dish.branch), text(dish.code), text(dish.name), text(dish.dishType),
                   dish.portion});
        for (int i = 0; i < catalogNutrientCount; ++i)
            if (dish.amounts[i] > 0)
                nutrients.add({text(dish.branch), text(dish.code), text(nutrientList[i].code),
                               dish.amounts[i]});
        for (const QString& group : productGroupsOf(dish))
            products.add({text(dish.branch), text(dish.code), group});
    }
    prato.flush();
    nutrients.flush();
    products.flush();
}

void insertClinicalLookups(const QSqlDatabase& conn) {
    BatchInsert diagnost(conn, QStringLiteral("DIAGNOST"),
                         {QStringLiteral("CDDIAGNOST"), QStringLiteral("NMDIAGNOST")});
    for (const Diagnosis& diagnosis : diagnoses())
        diagnost.add({text(diagnosis.code), text(diagnosis.name)});
    diagnost.flush();
    BatchInsert restInto(conn, QStringLiteral("RESTINTO"),
                         {QStringLiteral("CDDIAGNOST"), QStringLiteral("CDSUBGRPROD"),
                          QStringLiteral("IDRESTINTO")});
    for (const Restriction& restriction : restrictions())
        restInto.add(
            {text(restriction.diagnosis), text(restriction.productGroup), text(restriction.kind)});
    restInto.flush();
    BatchInsert diagDiet(conn, QStringLiteral("DIAGDIET"),
                         {QStringLiteral("CDDIAGNOST"), QStringLiteral("CDDIETPAD")});
    for (const DiagnosisDiet& link : diagnosisDiets())
        diagDiet.add({text(link.diagnosis), text(link.diet)});
    diagDiet.flush();
    BatchInsert medicament(conn, QStringLiteral("MEDICAMENT"),
                           {QStringLiteral("CDMEDICAMENT"), QStringLiteral("NMMEDICAMENT")});
    BatchInsert mediPrin(conn, QStringLiteral("MEDIPRIN"),
                         {QStringLiteral("CDMEDICAMENT"), QStringLiteral("CDPRINATIV")});
    for (const Medicine& medicine : medicines()) {
        medicament.add({text(medicine.code), text(medicine.name)});
        for (const QString& ingredient : words(medicine.ingredients))
            mediPrin.add({text(medicine.code), ingredient});
    }
    medicament.flush();
    mediPrin.flush();
    BatchInsert prinAtiv(conn, QStringLiteral("PRINATIV"),
                         {QStringLiteral("CDPRINATIV"), QStringLiteral("NMPRINATIV")});
    BatchInsert prinNutr(
        conn, QStringLiteral("PRINNUTR"),
        {QStringLiteral("CDPRINATIV"), QStringLiteral("CDNUTRIENTE"), QStringLiteral("QTLIMPORC")});
    for (const Ingredient& ingredient : ingredients()) {
        prinAtiv.add({text(ingredient.code), text(ingredient.name)});
        for (const Interaction& interaction : interactionsOf(ingredient))
            prinNutr.add({text(ingredient.code), interaction.nutrient, interaction.limit});
    }
    prinAtiv.flush();
    prinNutr.flush();
}

} // namespace

QStringList words(const char* text) {
    return text ? QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts) : QStringList();
}

const std::vector<Service>& services() {
    static const std::vector<Service> all = {
        {"0001", "00010", "Clínica Médica", "001", "A", nullptr, 35, adultMeals,
         "0001 0002 0003 0004 0005 0006 0007 0008 0009 0010 0011 0012 0014", Ward::Adult},
        {"0001", "00020", "Clínica Cirúrgica", "001", "A", "3", 25, adultMeals,
         "0001 0002 0003 0004 0005 0006 0009 0010 0011 0014", Ward::Surgical},
        {"0001", "00030", "Pediatria", "002", "D", nullptr, 12, adultMeals,
         "0001 0002 0003 0004 0007 0008 0010 0013", Ward::Children},
        {"0001", "00040", "Maternidade", "002", "D", nullptr, 10, adultMeals,
         "0001 0002 0005 0006 0009 0010", Ward::Maternity},
        {"0001", "00050", "UTI Adulto", "001", "A", nullptr, 8, "01 03 04 05 07",
         "0003 0004 0011 0012 0014", Ward::Intensive},
        // No standard configuration: the screen refuses to load it.
        {"0001", "00060", "Oncologia", nullptr, "A", nullptr, 6, "", "0001 0002 0003 0004 0009",
         Ward::Oncology},
        // Kind "N": one menu for the service, whatever the diet.
        {"0001", "00070", "Lactário", "002", "N", nullptr, 4, "07 04", "0011 0013", Ward::Infant},
        // Hospital-service kinds "1" and "2" have diets but stay out of the module's lists.
        {"0001", "00080", "Ambulatório", "003", "A", "1", 0, "", "0001", Ward::None},
        {"0001", "00090", "Pronto-Socorro", "003", "A", "2", 0, "", "0001", Ward::None},
        // No diets at all.
        {"0001", "00100", "Centro Cirúrgico", "003", "A", nullptr, 0, "", "", Ward::None},
        {"0002", "00010", "Clínica Médica", "001", "A", nullptr, 60, adultMeals,
         "0001 0002 0003 0004 0005 0006 0007 0008 0009 0010 0011 0014", Ward::Adult},
        {"0002", "00030", "Pediatria", "002", "D", nullptr, 25, adultMeals,
         "0001 0002 0003 0004 0007 0008 0010 0013", Ward::Children},
        {"0002", "00050", "UTI Adulto", "001", "A", nullptr, 15, "01 03 04 05 07",
         "0003 0004 0011 0012 0014", Ward::Intensive},
    };
    return all;
}

const std::vector<DietGroup>& dietGroups() {
    static const std::vector<DietGroup> all = {{"9001", "Consistência normal", true},
                                               {"9002", "Consistência modificada", false},
                                               {"9003", "Dietas terapêuticas", false}};
    return all;
}

const std::vector<Diet>& diets() {
    static const std::vector<Diet> all = {
        {"0001", "Dieta Geral", "9001", "5", false, true, MenuStyle::General, ""},
        // Only its group has a card.
        {"0002", "Dieta Branda", "9001", "5", false, false, MenuStyle::General, ""},
        {"0003", "Dieta Pastosa", "9002", "5", false, true, MenuStyle::Soft, ""},
        {"0004", "Dieta Líquida", "9002", "5", false, true, MenuStyle::Liquid, ""},
        {"0005", "Dieta para Diabéticos", "9003", "5", true, true, MenuStyle::General, "ACUCAR"},
        {"0006", "Dieta Hipossódica", "9003", "5", true, true, MenuStyle::General, "SODIO"},
        {"0007", "Dieta sem Glúten", "9003", "5", true, true, MenuStyle::General, "GLUTEN"},
        {"0008", "Dieta sem Lactose", "9003", "5", true, true, MenuStyle::General, "LEITE"},
        {"0009", "Dieta Hiperproteica", "9003", "3", false, true, MenuStyle::General, ""},
        // Free composition: no card.
        {"0010", "Composição Livre", nullptr, "4", false, false, MenuStyle::None, ""},
        {"0011", "Dieta Enteral Padrão", nullptr, "1", false, true, MenuStyle::Enteral, ""},
        {"0012", "Dieta Enteral Artesanal", nullptr, "2", false, true, MenuStyle::EnteralHomemade,
         ""},
        {"0013", "Dieta Infantil", nullptr, "5", false, true, MenuStyle::Infant, ""},
        // A menu diet without any card.
        {"0014", "Jejum", nullptr, "6", false, false, MenuStyle::None, ""},
    };
    return all;
}

const std::vector<Diagnosis>& diagnoses() {
    static const std::vector<Diagnosis> all = {
        {"E11.9", "Diabetes mellitus tipo 2 sem complicações", Ward::None},
        {"K90.0", "Doença celíaca", Ward::None},
        {"E73.9", "Intolerância à lactose não especificada", Ward::None},
        {"I10", "Hipertensão essencial (primária)", Ward::None},
        {"T78.1", "Intolerância alimentar a ovo", Ward::None},
        {"T78.0", "Alergia alimentar a peixes e frutos do mar", Ward::None},
        {"K80.2", "Calculose da vesícula biliar sem colecistite", Ward::Surgical},
        {"N18.3", "Doença renal crônica estágio 3", Ward::Adult},
        {"I50.0", "Insuficiência cardíaca congestiva", Ward::Adult},
        {"I48", "Flutter e fibrilação atrial", Ward::Adult},
        {"J18.9", "Pneumonia não especificada", Ward::Adult},
        {"I63.9", "Infarto cerebral não especificado", Ward::Intensive},
        {"A41.9", "Septicemia não especificada", Ward::Intensive},
        {"S72.0", "Fratura do colo do fêmur", Ward::Surgical},
        {"K35.8", "Apendicite aguda", Ward::Surgical},
        {"C50.9", "Neoplasia maligna da mama", Ward::Oncology},
        {"C18.9", "Neoplasia maligna do cólon", Ward::Oncology},
        {"O80", "Parto único espontâneo", Ward::Maternity},
        {"O24.4", "Diabetes mellitus que surge durante a gravidez", Ward::Maternity},
        {"P07.3", "Outros recém-nascidos de pré-termo", Ward::Infant},
        {"J21.9", "Bronquiolite aguda não especificada", Ward::Children},
        {"A09", "Diarreia e gastroenterite de origem infecciosa", Ward::Children},
        {"Z00.0", "Exame médico geral", Ward::None},
    };
    return all;
}

// Some diagnoses call for a standard diet; the others (pneumonia, a birth, a check-up...) leave
// the prescription to the doctor, so that the calculation has stays it cannot propose for.
const std::vector<DiagnosisDiet>& diagnosisDiets() {
    static const std::vector<DiagnosisDiet> all = {
        {"E11.9", "0005"}, {"O24.4", "0005"}, {"K90.0", "0007"}, {"E73.9", "0008"},
        {"A09", "0008"},   {"I10", "0006"},   {"N18.3", "0006"}, {"I50.0", "0006"},
        {"K80.2", "0002"}, {"K35.8", "0003"}, {"I63.9", "0011"}, {"P07.3", "0013"},
        {"C18.9", "0002"}, {"S72.0", "0009"},
    };
    return all;
}

const std::vector<Restriction>& restrictions() {
    static const std::vector<Restriction> all = {
        {"E11.9", "ACUCAR", "R"}, {"K90.0", "GLUTEN", "R"}, {"E73.9", "LEITE", "I"},
        {"I10", "SODIO", "R"},    {"T78.1", "OVO", "I"},    {"T78.0", "PEIXE", "R"},
        {"K80.2", "GORDUR", "R"}, {"N18.3", "SODIO", "R"},  {"I50.0", "SODIO", "R"},
        {"O24.4", "ACUCAR", "R"}, {"A09", "LEITE", "I"},    {"T78.0", "OLEAG", "R"},
    };
    return all;
}

const std::vector<Medicine>& medicines() {
    static const std::vector<Medicine> all = {
        {"MED001", "Varfarina sódica 5 mg", "PA001"},
        {"MED002", "Espironolactona 25 mg", "PA002"},
        {"MED003", "Captopril 25 mg", "PA003"},
        {"MED004", "Levotiroxina sódica 50 mcg", "PA004"},
        {"MED005", "Metronidazol 400 mg", "PA005"},
        {"MED006", "Sulfato ferroso 40 mg", "PA006"},
        {"MED007", "Ciprofloxacino 500 mg", "PA007"},
        {"MED008", "Dipirona sódica 500 mg", "PA008"},
        {"MED009", "Omeprazol 20 mg", "PA009"},
        {"MED010", "Losartana + Hidroclorotiazida 50/12,5 mg", "PA010 PA011"},
        {"MED011", "Insulina humana NPH 100 UI/ml", "PA012"},
        {"MED012", "Paracetamol 500 mg", "PA013"},
    };
    return all;
}

// Each interaction names the nutrient and the amount in one portion of a dish above which
// the dish matters for a patient on the ingredient (in the nutrient's unit).
const std::vector<Ingredient>& ingredients() {
    static const std::vector<Ingredient> all = {
        {"PA001", "Varfarina", "011:30"},
        {"PA002", "Espironolactona", "007:350"},
        {"PA003", "Captopril", "007:350"},
        {"PA004", "Levotiroxina", "005:5 008:150"},
        {"PA005", "Metronidazol", "004:0"},
        {"PA006", "Sulfato ferroso", "008:150"},
        {"PA007", "Ciprofloxacino", "008:150"},
        {"PA008", "Dipirona", ""},
        {"PA009", "Omeprazol", ""},
        {"PA010", "Losartana", "007:350"},
        {"PA011", "Hidroclorotiazida", "006:500"},
        {"PA012", "Insulina humana", ""},
        {"PA013", "Paracetamol", "004:0"},
    };
    return all;
}

std::vector<Interaction> interactionsOf(const Ingredient& ingredient) {
    std::vector<Interaction> result;
    for (const QString& pair : words(ingredient.nutrients)) {
        const QStringList parts = pair.split(u':');
        result.push_back({parts.value(0), parts.value(1).toDouble()});
    }
    return result;
}

const Diet* findDiet(const QString& code) {
    for (const Diet& diet : diets())
        if (code == QLatin1String(diet.code))
            return &diet;
    return nullptr;
}

void insertReference(const QSqlDatabase& conn) {
    insertNamed(conn, QStringLiteral("FILIAL"),
                {QStringLiteral("CDFILIAL"), QStringLiteral("NMFILIAL")}, branches);
    insertNamed(conn, QStringLiteral("GRUPSERV"),
                {QStringLiteral("CDGRUPSERV"), QStringLiteral("NMGRUPSERV")}, serviceGroups);
    insertNamed(conn, QStringLiteral("TIPOPRAT"),
                {QStringLiteral("CDTIPOPRAT"), QStringLiteral("NMTIPOPRAT")}, dishTypes);
    insertNamed(conn, QStringLiteral("PADRAOSERV"),
                {QStringLiteral("CDSERPADDIE"), QStringLiteral("NMSERPADDIE")}, serviceStandards);
    insertNamed(conn, QStringLiteral("OPERADOR"),
                {QStringLiteral("CDOPERADOR"), QStringLiteral("NMOPERADOR")}, operators);
    {
        BatchInsert nutricio(conn, QStringLiteral("NUTRICIO"),
                             {QStringLiteral("CDNUTRICIO"), QStringLiteral("CDFILIAL"),
                              QStringLiteral("NMNUTRICIO")});
        for (const Named& row : nutritionistBranches)
            for (const Named& op : operators)
                if (qstrcmp(op.code, row.code) == 0)
                    nutricio.add({text(row.code), text(row.name), text(op.name)});
        nutricio.flush();
    }
    insertServices(conn);
    insertDiets(conn);
    insertNutrients(conn);
    insertDishes(conn);
    insertClinicalLookups(conn);
}

} // namespace dieta::server::demo
