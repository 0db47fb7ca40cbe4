#include "server/demo/demodata.h"

#include "platform/sqldatabase.h"
#include "server/demo/demomenus.h"
#include "server/demo/demorandom.h"
#include "server/demo/demoreference.h"
#include "server/demo/dishcatalog.h"
#include "server/storage/batchinsert.h"
#include "server/storage/schema.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <map>
#include <optional>

namespace dieta::server {

namespace {

using namespace demo;

QStringList columns(const char* names) {
    return words(names);
}

QVariant orNull(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString fourDigits(int n) {
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

const QStringList femaleNames = {"Maria",    "Ana",    "Francisca", "Antônia",  "Adriana",
                                 "Juliana",  "Márcia", "Fernanda",  "Patrícia", "Aline",
                                 "Sandra",   "Camila", "Luana",     "Beatriz",  "Helena",
                                 "Raimunda", "Tereza", "Lúcia",     "Cláudia",  "Larissa"};
const QStringList maleNames = {"José",  "João",    "Antônio", "Francisco", "Carlos",
                               "Paulo", "Pedro",   "Lucas",   "Luiz",      "Marcos",
                               "Luís",  "Gabriel", "Rafael",  "Daniel",    "Marcelo",
                               "Bruno", "Eduardo", "Felipe",  "Raimundo",  "Rodrigo"};
const QStringList surnames = {
    "Silva",   "Santos",     "Oliveira", "Souza",     "Rodrigues", "Ferreira", "Alves",
    "Pereira", "Lima",       "Gomes",    "Costa",     "Ribeiro",   "Martins",  "Carvalho",
    "Almeida", "Lopes",      "Soares",   "Fernandes", "Vieira",    "Barbosa",  "Rocha",
    "Dias",    "Nascimento", "Andrade",  "Moreira",   "Nunes",     "Marques",  "Machado",
    "Mendes",  "Freitas",    "Cardoso",  "Ramos",     "Gonçalves", "Santana",  "Teixeira"};

const QStringList dayRemarks = {
    "Paciente com disfagia leve",  "Oferecer líquidos em pequenos volumes",
    "Prefere suco sem açúcar",     "Família traz lanche da tarde",
    "Aceitação parcial no almoço", "Servir refeição morna"};
const QStringList choiceRemarks = {"Sem açúcar", "Pouco sal", "Servir morno", "Porção pequena",
                                   "Sem casca"};
const QStringList prescriptionRemarks = {
    "Fracionar em seis refeições", "Restringir líquidos a 1,5 l/dia",
    "Evoluir consistência conforme aceitação", "Suplementar no lanche",
    "Controle glicêmico antes das refeições"};

struct Stay {
    QString branch;
    QString patient;
    QString name;
    QDate admission;
    QDate discharge; // null while staying
    const Service* service = nullptr;
    QString bed;
    QString standard;
    QString type;
    bool companion = false;
    QStringList diagnoses;
    QStringList medicines;
    QDate medicinesFrom; // first day of the medicines
    QString diet;        // the diet the nutrition team plans for the stay

    bool activeOn(const QDate& day) const {
        return admission <= day && (discharge.isNull() || discharge >= day);
    }
};

struct CardKey {
    QString branch, service, diet;
    QDate day;
    bool operator<(const CardKey& other) const {
        return std::tie(branch, service, diet, day) <
               std::tie(other.branch, other.service, other.diet, other.day);
    }
};

class DemoBuilder {
public:
    DemoBuilder(const QSqlDatabase& conn, const DemoOptions& options)
        : conn_(conn), options_(options), random_(options.seed),
          today_(options.today.isValid() ? options.today : QDate::currentDate()),
          andar_(conn, "ANDAR", columns("CDFILIAL CDANDAR NMANDAR")),
          ala_(conn, "ALA", columns("CDFILIAL CDALA NMALA")),
          leito_(conn, "LEITO", columns("CDFILIAL CDLEITO NMLEITO CDALA CDANDAR CDSERVFILI")),
          pratServ_(conn, "PRATSERV", columns("CDFILIAL CDSERVFILI CDFILAUXPRAT CDPRATO")),
          paciente_(conn, "PACIENTE", columns("CDPACIENTE NMPACIENTE DTNASCPACI")),
          interna_(conn, "INTERNA",
                   columns("CDFILIAL CDPACIENTE DTINTERNA DTALTA CDSERVFILI CDLEITO CDSERPADDIE"
                           " IDTIPOPACI IDACOMPANH NMACOMPANH")),
          diagInter_(conn, "DIAGINTER",
                     columns("CDFILIAL CDPACIENTE DTINTERNA NRORDDIAG CDDIAGNOST")),
          mediInte_(conn, "MEDIINTE",
                    columns("CDFILIAL CDPACIENTE DTINTERNA CDMEDICAMENT DTINIMEDI DTFIMMEDI")),
          presDiet_(conn, "PRESDIET",
                    columns("CDFILIAL CDPACIENTE DTINTERNA DTPRESDIET CDDIETPAD DSPRESDIET"
                            " CDMEDICO")),
          compCard_(conn, "COMPCARD",
                    columns("CDFILIAL CDSERVFILI CDDIETCARD DTCOMPCARD CDTIPOPRAT CDFILAUXPRAT"
                            " CDPRATO NRORDPRATCAR IDOPCCNFMES QTPRATCARD HRCONSCARD HRINTECARD"
                            " HRPERICARD")),
          servInte_(conn, "SERVINTE",
                    columns("CDFILIAL CDPACIENTE DTSERVINTE NRSEQUSERV STPACIACOM CDSERVFILI"
                            " CDDIETPAD DSSERVINTE DSPRESMEDI IDIMPRSERV CDOPERADOR DTULTALTE")),
          confEsco_(conn, "CONFESCO",
                    columns("CDFILIAL CDPACIENTE DTSERVINTE NRSEQUSERV CDSEQUCOPR CDTIPOPRAT"
                            " CDPRATO CDFILAUXPRAT IDESCOCONF IDOPCAOCONF DSOBSCONF QTPRATCONF"
                            " HRCONSCONF HRINTECONF HRPERICONF DTCONSCONF IDRESTCONF")) {}

    void run() {
        insertReference(conn_);
        const int total = std::max(2, options_.inpatients);
        const int second = std::max(1, total / 8);
        buildBranch(QString::fromLatin1(mainBranch), total - second);
        buildBranch(QString::fromLatin1(secondBranch), second);
        for (const Service& service : services())
            buildCards(service);
        for (const Stay& stay : stays_)
            insertStay(stay);
        buildRecords(today_.addDays(-1));
        buildRecords(today_);
        for (BatchInsert* insert :
             {&andar_, &ala_, &leito_, &pratServ_, &paciente_, &interna_, &diagInter_, &mediInte_,
              &presDiet_, &compCard_, &servInte_, &confEsco_})
            insert->flush();
    }

private:
    // ---- beds and stays ----

    void buildBranch(const QString& branch, int inpatients) {
        std::vector<const Service*> wards;
        for (const Service& service : services())
            if (branch == QLatin1String(service.branch) && service.weight > 0)
                wards.push_back(&service);
        const std::vector<int> perWard = share(inpatients, wards);
        int bedIndex = 0;
        int floors = 0;
        for (std::size_t w = 0; w < wards.size(); ++w) {
            const int occupied = perWard[w];
            const int beds = occupied + std::max(1, occupied / 5);
            bedIndex += bedIndex % 2; // a service starts in a room of its own
            for (int b = 0; b < beds; ++b, ++bedIndex) {
                const QString bed = placeBed(branch, *wards[w], bedIndex, floors);
                if (b < occupied)
                    admit(branch, *wards[w], bed, true);
                else if (random_.chance(40))
                    admit(branch, *wards[w], bed, false); // an empty bed with a past stay
            }
        }
        for (int floor = 1; floor <= floors; ++floor)
            andar_.add({branch, twoDigits(floor), QStringLiteral("%1º Andar").arg(floor)});
        ala_.add({branch, QStringLiteral("A"), QStringLiteral("Ala A - Norte")});
        ala_.add({branch, QStringLiteral("B"), QStringLiteral("Ala B - Sul")});
        for (const Service* ward : wards)
            insertUsableDishes(branch, *ward);
    }

    // Splits the inpatients over the wards by weight (largest remainder), one at least each
    // while there are enough.
    static std::vector<int> share(int inpatients, const std::vector<const Service*>& wards) {
        std::vector<int> counts(wards.size(), 0);
        if (wards.empty())
            return counts;
        int weights = 0;
        for (const Service* ward : wards)
            weights += ward->weight;
        int given = 0;
        for (std::size_t i = 0; i < wards.size(); ++i) {
            counts[i] = inpatients * wards[i]->weight / weights;
            if (counts[i] == 0 && inpatients >= static_cast<int>(wards.size()))
                counts[i] = 1;
            given += counts[i];
        }
        for (std::size_t i = 0; given < inpatients; i = (i + 1) % wards.size(), ++given)
            ++counts[i];
        for (std::size_t i = 0; given > inpatients; i = (i + 1) % wards.size())
            if (counts[i] > 1) {
                --counts[i];
                --given;
            }
        return counts;
    }

    // Floors of 2 wings x 15 rooms x 2 beds.
    QString placeBed(const QString& branch, const Service& service, int index, int& floors) {
        const int floor = index / 60 + 1;
        const int inFloor = index % 60;
        const QString wing = inFloor < 30 ? QStringLiteral("A") : QStringLiteral("B");
        const int room = (inFloor % 30) / 2 + 1;
        const int place = inFloor % 2 + 1;
        floors = std::max(floors, floor);
        const QString code =
            QStringLiteral("%1%2%3-%4").arg(twoDigits(floor), wing, twoDigits(room)).arg(place);
        leito_.add({branch, code,
                    QStringLiteral("Quarto %1%2%3 - Leito %4")
                        .arg(floor)
                        .arg(wing, twoDigits(room))
                        .arg(place),
                    wing, twoDigits(floor), QString::fromUtf8(service.code)});
        return code;
    }

    void admit(const QString& branch, const Service& service, const QString& bed, bool current) {
        Stay stay;
        stay.branch = branch;
        stay.patient = QString::number(100001 + static_cast<int>(patients_++));
        stay.service = &service;
        stay.bed = bed;
        if (current) {
            stay.admission = today_.addDays(-random_.between(0, 20));
            if (random_.chance(4))
                stay.discharge = today_; // leaves today: still on today's list
        } else {
            stay.admission = today_.addDays(-random_.between(12, 60));
            stay.discharge = today_.addDays(-random_.between(1, 10));
            if (!pastDischargedYesterday_) {
                stay.discharge = today_.addDays(-1);
                pastDischargedYesterday_ = true;
            }
        }
        const QDate birth = chooseTypeAndBirth(stay, service.ward);
        const bool female = stay.type == QLatin1String("5") || stay.type == QLatin1String("6") ||
                            random_.chance(50);
        stay.name = personName(female);
        stay.standard = service.ward == Ward::Intensive ? QStringLiteral("UTI")
                        : service.ward == Ward::Infant  ? QStringLiteral("BER")
                        : random_.chance(70)            ? QStringLiteral("ENF")
                                                        : QStringLiteral("APT");
        stay.companion = random_.chance(companionChance(service.ward, stay.type));
        chooseDiagnoses(stay, service.ward);
        chooseMedicines(stay);
        stay.diet = chooseDiet(stay, service);
        paciente_.add({stay.patient, stay.name, birth});
        stays_.push_back(stay);
    }

    QDate chooseTypeAndBirth(Stay& stay, Ward ward) {
        int years = 0;
        const int roll = random_.below(100);
        switch (ward) {
        case Ward::Infant:
            stay.type = QStringLiteral("0");
            return today_.addDays(-random_.between(1, 330));
        case Ward::Children:
            if (roll < 20) {
                stay.type = QStringLiteral("0");
                return today_.addDays(-random_.between(20, 360));
            }
            stay.type = roll < 70 ? QStringLiteral("1") : QStringLiteral("2");
            years = roll < 70 ? random_.between(2, 11) : random_.between(12, 17);
            break;
        case Ward::Maternity:
            stay.type = roll < 60 ? QStringLiteral("5") : QStringLiteral("6");
            years = random_.between(16, 44);
            break;
        default:
            if (roll < 2) {
                stay.type = QStringLiteral("7");
                years = random_.between(18, 35);
            } else if (roll < 72) {
                stay.type = QStringLiteral("3");
                years = random_.between(18, 59);
            } else {
                stay.type = QStringLiteral("4");
                years = random_.between(60, 95);
            }
        }
        return today_.addYears(-years).addDays(-random_.between(0, 364));
    }

    static int companionChance(Ward ward, const QString& type) {
        if (ward == Ward::Children || ward == Ward::Infant)
            return 90;
        if (ward == Ward::Intensive)
            return 0;
        if (ward == Ward::Maternity)
            return 50;
        return type == QLatin1String("4") ? 40 : 10;
    }

    QString personName(bool female) {
        return QStringLiteral("%1 %2 %3")
            .arg(female ? femaleNames.at(random_.below(femaleNames.size()))
                        : maleNames.at(random_.below(maleNames.size())),
                 surnames.at(random_.below(surnames.size())),
                 surnames.at(random_.below(surnames.size())));
    }

    void chooseDiagnoses(Stay& stay, Ward ward) {
        std::vector<const Diagnosis*> own, general;
        for (const Diagnosis& diagnosis : diagnoses())
            (diagnosis.ward == ward ? own : general).push_back(&diagnosis);
        const bool adultWard =
            ward != Ward::Children && ward != Ward::Infant && ward != Ward::Maternity;
        if (!own.empty() && (random_.chance(75) || !adultWard))
            stay.diagnoses << QString::fromUtf8(random_.pick(own)->code);
        else
            stay.diagnoses << QString::fromUtf8(random_.pick(general)->code);
        if (random_.chance(30)) {
            const QString second = QString::fromUtf8(random_.pick(general)->code);
            if (!stay.diagnoses.contains(second))
                stay.diagnoses << second;
        }
    }

    void chooseMedicines(Stay& stay) {
        static const QHash<QString, QStringList> byDiagnosis = {{"I48", {"MED001"}},
                                                                {"I50.0", {"MED002", "MED003"}},
                                                                {"E11.9", {"MED011"}},
                                                                {"O24.4", {"MED011"}},
                                                                {"N18.3", {"MED006"}},
                                                                {"I10", {"MED010"}},
                                                                {"A41.9", {"MED007"}},
                                                                {"K35.8", {"MED005"}},
                                                                {"C18.9", {"MED005", "MED009"}}};
        for (const QString& diagnosis : std::as_const(stay.diagnoses))
            for (const QString& medicine : byDiagnosis.value(diagnosis))
                if (!stay.medicines.contains(medicine) && random_.chance(70))
                    stay.medicines << medicine;
        if (stay.type != QLatin1String("0") && random_.chance(15)) {
            static const QStringList common = {"MED008", "MED009", "MED012", "MED004"};
            const QString medicine = common.at(random_.below(common.size()));
            if (!stay.medicines.contains(medicine))
                stay.medicines << medicine;
        }
        stay.medicinesFrom = stay.admission.addDays(random_.below(2));
    }

    QString chooseDiet(const Stay& stay, const Service& service) {
        const QStringList allowed = words(service.diets);
        QStringList wanted;
        if (service.ward == Ward::Intensive)
            wanted << (random_.chance(50)   ? QStringLiteral("0011")
                       : random_.chance(40) ? QStringLiteral("0012")
                                            : QStringLiteral("0004"));
        if (service.ward == Ward::Infant || stay.type == QLatin1String("0"))
            wanted << (random_.chance(70) ? QStringLiteral("0013") : QStringLiteral("0011"));
        for (const QString& diagnosis : stay.diagnoses) {
            if (diagnosis == QLatin1String("E11.9") || diagnosis == QLatin1String("O24.4"))
                wanted << QStringLiteral("0005");
            else if (diagnosis == QLatin1String("K90.0"))
                wanted << QStringLiteral("0007");
            else if (diagnosis == QLatin1String("E73.9") || diagnosis == QLatin1String("A09"))
                wanted << QStringLiteral("0008");
            else if (diagnosis == QLatin1String("I10") || diagnosis == QLatin1String("N18.3") ||
                     diagnosis == QLatin1String("I50.0"))
                wanted << QStringLiteral("0006");
        }
        const int roll = random_.below(100);
        wanted << (roll < 45   ? QStringLiteral("0001")
                   : roll < 60 ? QStringLiteral("0002")
                   : roll < 70 ? QStringLiteral("0003")
                   : roll < 76 ? QStringLiteral("0004")
                   : roll < 84 ? QStringLiteral("0009")
                   : roll < 90 ? QStringLiteral("0010")
                   : roll < 94 ? QStringLiteral("0014")
                               : QStringLiteral("0011"));
        for (const QString& diet : std::as_const(wanted))
            if (allowed.contains(diet))
                return diet;
        return allowed.value(0);
    }

    void insertStay(const Stay& stay) {
        const QString service = QString::fromUtf8(stay.service->code);
        interna_.add({stay.branch, stay.patient, stay.admission,
                      stay.discharge.isNull() ? QVariant() : QVariant(stay.discharge), service,
                      stay.bed, stay.standard, stay.type,
                      stay.companion ? QStringLiteral("S") : QStringLiteral("N"),
                      stay.companion ? QVariant(personName(random_.chance(70))) : QVariant()});
        int order = 0;
        for (const QString& diagnosis : stay.diagnoses)
            diagInter_.add({stay.branch, stay.patient, stay.admission, ++order, diagnosis});
        for (const QString& medicine : stay.medicines)
            mediInte_.add({stay.branch, stay.patient, stay.admission, medicine, stay.medicinesFrom,
                           stay.discharge.isNull() ? QVariant() : QVariant(stay.discharge)});
        for (const QDate& day : {today_.addDays(-1), today_}) {
            if (!stay.activeOn(day) || !random_.chance(day == today_ ? 70 : 40))
                continue;
            presDiet_.add({stay.branch, stay.patient, stay.admission, day, stay.diet,
                           random_.chance(35) ? QVariant(prescriptionRemarks.at(
                                                    random_.below(prescriptionRemarks.size())))
                                              : QVariant(),
                           QStringLiteral("CRM%1").arg(random_.between(10000, 99999))});
            prescriptions_.insert(prescriptionKey(stay, day));
        }
    }

    static QString prescriptionKey(const Stay& stay, const QDate& day) {
        return stay.branch + u'/' + stay.patient + u'/' + day.toString(Qt::ISODate);
    }

    void insertUsableDishes(const QString& branch, const Service& service) {
        const bool formulasOnly = service.ward == Ward::Infant;
        for (const CatalogDish& dish : catalogDishes()) {
            const QString dishBranch = QString::fromUtf8(dish.branch);
            if (dishBranch != QLatin1String("P") && dishBranch != branch)
                continue;
            const bool formula = QLatin1String(dish.code).startsWith(QLatin1String("04"));
            if (formulasOnly != formula)
                continue;
            pratServ_.add({branch, QString::fromUtf8(service.code), dishBranch,
                           QString::fromUtf8(dish.code)});
            usableDishes_[branch + u'/' + QString::fromUtf8(service.code)].push_back(&dish);
        }
    }

    // ---- menu cards ----

    void buildCards(const Service& service) {
        const QStringList types = words(service.config);
        if (types.isEmpty())
            return;
        const QString branch = QString::fromUtf8(service.branch);
        for (int offset = -7; offset <= 7; ++offset) {
            const QDate day = today_.addDays(offset);
            const int rotation = static_cast<int>(day.toJulianDay() % 1000);
            if (QLatin1String(service.kind) == QLatin1String("N")) {
                addCard(service, QString::fromLatin1(kServiceCardDiet), day,
                        buildServiceCard(types, rotation));
                continue;
            }
            QSet<QString> groupsWithCard;
            for (const QString& code : words(service.diets)) {
                const Diet* diet = findDiet(code);
                if (!diet)
                    continue;
                if (diet->ownCard)
                    addCard(service, code, day,
                            buildCard(diet->style, types, words(diet->excludedGroups),
                                      QLatin1String(diet->kind) == QLatin1String("3"), rotation,
                                      branch));
                if (diet->group)
                    for (const DietGroup& group : dietGroups())
                        if (group.card && qstrcmp(group.code, diet->group) == 0)
                            groupsWithCard.insert(QString::fromUtf8(group.code));
            }
            for (const QString& group : std::as_const(groupsWithCard))
                addCard(service, group, day,
                        buildCard(MenuStyle::General, types, {}, false, rotation + 3, branch));
        }
    }

    void addCard(const Service& service, const QString& cardDiet, const QDate& day,
                 std::vector<CardRow> rows) {
        if (rows.empty())
            return;
        const QString branch = QString::fromUtf8(service.branch);
        const QString code = QString::fromUtf8(service.code);
        for (const CardRow& row : rows)
            compCard_.add({branch, code, cardDiet, day, row.dishType, row.dishBranch, row.dish,
                           row.order, row.option ? QStringLiteral("S") : QStringLiteral("N"),
                           row.quantity, row.start ? QVariant(*row.start) : QVariant(),
                           row.interval ? QVariant(*row.interval) : QVariant(),
                           row.period ? QVariant(*row.period) : QVariant()});
        cards_[CardKey{branch, code, cardDiet, day}] = std::move(rows);
    }

    // The card a day record of the diet is served from: the service's for kind "N", else the
    // diet's own, else its group's.
    const std::vector<CardRow>* cardFor(const Stay& stay, const QString& dietCode,
                                        const QDate& day) const {
        const QString code = QString::fromUtf8(stay.service->code);
        auto find = [&](const QString& cardDiet) -> const std::vector<CardRow>* {
            const auto it = cards_.find(CardKey{stay.branch, code, cardDiet, day});
            return it == cards_.end() ? nullptr : &it->second;
        };
        if (QLatin1String(stay.service->kind) == QLatin1String("N"))
            return find(QString::fromLatin1(kServiceCardDiet));
        if (const auto* own = find(dietCode))
            return own;
        const Diet* diet = findDiet(dietCode);
        return diet && diet->group ? find(QString::fromUtf8(diet->group)) : nullptr;
    }

    // ---- day records ----

    void buildRecords(const QDate& day) {
        const bool isToday = day == today_;
        bool duplicated = false;
        for (const Stay& stay : stays_) {
            if (!stay.activeOn(day) || !random_.chance(isToday ? 65 : 85))
                continue;
            int sequence = 0;
            const bool noDiet = isToday && random_.chance(3);
            addRecord(stay, day, ++sequence, false, noDiet ? QString() : stay.diet);
            if (stay.companion && random_.chance(75) &&
                words(stay.service->diets).contains(QStringLiteral("0001")))
                addRecord(stay, day, ++sequence, true, QStringLiteral("0001"));
            const Diet* diet = findDiet(stay.diet);
            if (!noDiet && diet && QLatin1String(diet->kind) == QLatin1String("3") &&
                (!duplicated || random_.chance(30))) {
                addRecord(stay, day, ++sequence, false, stay.diet); // a second portion set
                duplicated = true;
            }
        }
    }

    QString operatorFor(const QString& branch) {
        if (branch == QLatin1String(secondBranch))
            return random_.chance(50) ? QStringLiteral("NUTRI03") : QStringLiteral("NUTRI01");
        return random_.chance(50) ? QStringLiteral("NUTRI02") : QStringLiteral("NUTRI01");
    }

    void addRecord(const Stay& stay, const QDate& day, int sequence, bool companion,
                   const QString& dietCode) {
        const bool isToday = day == today_;
        const Diet* diet = findDiet(dietCode);
        QString prescription;
        if (!companion && prescriptions_.contains(prescriptionKey(stay, day)) && diet)
            prescription = QStringLiteral("Prescrito: %1").arg(QString::fromUtf8(diet->name));
        servInte_.add(
            {stay.branch, stay.patient, day, twoDigits(sequence),
             companion ? QStringLiteral("1") : QStringLiteral("0"),
             QString::fromUtf8(stay.service->code), orNull(dietCode),
             random_.chance(15) ? QVariant(dayRemarks.at(random_.below(dayRemarks.size())))
                                : QVariant(),
             orNull(prescription.left(40)),
             random_.chance(isToday ? 20 : 90) ? QStringLiteral("S") : QStringLiteral("N"),
             operatorFor(stay.branch),
             QDateTime(day, QTime(7, 0)).addSecs(60 * random_.below(240))});
        if (!diet)
            return;
        Choices choices{stay, day, twoDigits(sequence), companion, 0};
        if (QLatin1String(diet->kind) == QLatin1String("4")) {
            addFreeChoices(choices);
            return;
        }
        const std::vector<CardRow>* card = cardFor(stay, dietCode, day);
        if (!card)
            return;
        for (const CardRow& row : *card) {
            if (row.start)
                addFormulaChoices(choices, row);
            else
                addMenuChoice(choices, row, QLatin1String(diet->kind) == QLatin1String("3"));
        }
    }

    struct Choices {
        const Stay& stay;
        QDate day;
        QString sequence;
        bool companion;
        int count;
    };

    void addChoice(Choices& choices, const QString& type, const QString& dish,
                   const QString& dishBranch, bool chosen, bool option, double quantity,
                   const QVariant& start, const QVariant& interval, const QVariant& period,
                   const QVariant& when) {
        const bool restricted =
            !choices.companion && touchesRestriction(choices.stay, dish, choices.day);
        confEsco_.add({choices.stay.branch, choices.stay.patient, choices.day, choices.sequence,
                       fourDigits(++choices.count), type, dish, dishBranch,
                       chosen ? QStringLiteral("S") : QStringLiteral("N"),
                       option ? QStringLiteral("S") : QStringLiteral("N"),
                       random_.chance(5)
                           ? QVariant(choiceRemarks.at(random_.below(choiceRemarks.size())))
                           : QVariant(),
                       chosen ? quantity : 0.0, start, interval, period, when,
                       restricted ? QStringLiteral("1") : QStringLiteral("0")});
    }

    void addMenuChoice(Choices& choices, const CardRow& row, bool quantities) {
        const bool chosen = row.option ? random_.chance(20) : true;
        addChoice(choices, row.dishType, row.dish, row.dishBranch, chosen, row.option,
                  quantities ? row.quantity : 1, {}, {}, {}, {});
    }

    // One row per consumption: from the start, every interval, over the period.
    void addFormulaChoices(Choices& choices, const CardRow& row) {
        const double start = *row.start, interval = *row.interval, period = *row.period;
        if (row.option || interval <= 0) {
            addChoice(
                choices, row.dishType, row.dish, row.dishBranch, false, row.option, 1, start,
                interval, period,
                QDateTime(choices.day, QTime(0, 0)).addSecs(static_cast<qint64>(start * 3600)));
            return;
        }
        for (double hours = start; hours < start + period; hours += interval) {
            const QDateTime when =
                QDateTime(choices.day, QTime(0, 0)).addSecs(static_cast<qint64>(hours * 3600));
            addChoice(choices, row.dishType, row.dish, row.dishBranch, true, false, 1,
                      when.time().hour() + when.time().minute() / 60.0, interval, period, when);
        }
    }

    void addFreeChoices(Choices& choices) {
        const auto it = usableDishes_.find(choices.stay.branch + u'/' +
                                           QString::fromUtf8(choices.stay.service->code));
        if (it == usableDishes_.end() || it->second.empty())
            return;
        const QStringList types = words(choices.stay.service->config);
        QSet<QString> used;
        const int wanted = random_.between(3, 5);
        for (int attempt = 0; attempt < 20 && static_cast<int>(used.size()) < wanted; ++attempt) {
            const CatalogDish* dish = random_.pick(it->second);
            const QString code = QString::fromUtf8(dish->code);
            if (used.contains(code))
                continue;
            used.insert(code);
            const QString usual = QString::fromUtf8(dish->dishType);
            addChoice(choices, types.contains(usual) || types.isEmpty() ? usual : types.first(),
                      code, QString::fromUtf8(dish->branch), true, false, 1, {}, {}, {}, {});
        }
    }

    // The dish contains a product group the patient's diagnoses restrict, or more of a
    // nutrient than a medicine given that day tolerates in one portion.
    bool touchesRestriction(const Stay& stay, const QString& dishCode, const QDate& day) {
        const CatalogDish* dish = findCatalogDish(dishCode);
        if (!dish)
            return false;
        const QStringList groups = productGroupsOf(*dish);
        for (const Restriction& restriction : restrictions())
            if (stay.diagnoses.contains(QString::fromUtf8(restriction.diagnosis)) &&
                groups.contains(QString::fromUtf8(restriction.productGroup)))
                return true;
        if (day < stay.medicinesFrom)
            return false;
        const std::vector<CatalogNutrient>& nutrients = catalogNutrients();
        for (const QString& medicineCode : stay.medicines)
            for (const Medicine& medicine : medicines())
                if (medicineCode == QLatin1String(medicine.code))
                    for (const QString& ingredientCode : words(medicine.ingredients))
                        for (const Ingredient& ingredient : ingredients())
                            if (ingredientCode == QLatin1String(ingredient.code))
                                for (const Interaction& interaction : interactionsOf(ingredient))
                                    for (int i = 0; i < catalogNutrientCount; ++i)
                                        if (interaction.nutrient ==
                                                QLatin1String(nutrients[i].code) &&
                                            dish->amounts[i] > interaction.limit)
                                            return true;
        return false;
    }

    QSqlDatabase conn_;
    DemoOptions options_;
    DemoRandom random_;
    QDate today_;
    qint64 patients_ = 0;
    bool pastDischargedYesterday_ = false;
    std::vector<Stay> stays_;
    QSet<QString> prescriptions_;
    std::map<CardKey, std::vector<CardRow>> cards_;
    std::map<QString, std::vector<const CatalogDish*>> usableDishes_;
    BatchInsert andar_, ala_, leito_, pratServ_, paciente_, interna_, diagInter_, mediInte_,
        presDiet_, compCard_, servInte_, confEsco_;
};

bool hasDemoData(const QSqlDatabase& conn) {
    QSqlQuery query(conn);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM FILIAL")) || !query.next())
        throw SqlError("cannot read FILIAL: is the database migrated?");
    return query.value(0).toInt() > 0;
}

} // namespace

namespace {

// No demo operator has a known password: each gets a random one.
QList<DemoCredential> giveDemoPasswords(const QSqlDatabase& conn, auth::PasswordCost cost) {
    QList<DemoCredential> credentials;
    QSqlQuery operators =
        execSql(conn, QStringLiteral("SELECT CDOPERADOR FROM OPERADOR ORDER BY CDOPERADOR"));
    while (operators.next())
        credentials.append({operators.value(0).toString(), auth::randomSecret(12)});
    for (const DemoCredential& credential : credentials)
        execSql(conn, QStringLiteral("UPDATE OPERADOR SET DSSENHA = :HASH WHERE CDOPERADOR = :C"),
                {{QStringLiteral("HASH"), auth::hashPassword(credential.password, cost)},
                 {QStringLiteral("C"), credential.operatorCode}});
    return credentials;
}

} // namespace

QList<DemoCredential> generateDemo(SqlDatabase& db, const DemoOptions& options) {
    WriteTransaction transaction(db);
    const QSqlDatabase conn = transaction.connection();
    // Two servers started with demo data on one new PostgreSQL database: the second waits
    // here, then finds the hospital there (SQLite's BEGIN IMMEDIATE does the same).
    if (db.engine() == SqlEngine::PostgreSQL)
        execSql(conn, QStringLiteral("SELECT pg_advisory_xact_lock(13001)"));
    if (hasDemoData(conn))
        return {};
    DemoBuilder(conn, options).run();
    const QList<DemoCredential> credentials = giveDemoPasswords(conn, options.passwordCost);
    transaction.commit();
    // Fresh statistics: without them PostgreSQL plans the list's restriction subqueries as
    // scans (measured 1.7 s per list call on a new 1,000-inpatient database, 90 ms after).
    if (db.engine() == SqlEngine::PostgreSQL)
        execSql(db.connection(), QStringLiteral("ANALYZE"));
    return credentials;
}

} // namespace dieta::server
