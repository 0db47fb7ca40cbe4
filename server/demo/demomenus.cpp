#include "server/demo/demomenus.h"

#include "server/demo/dishcatalog.h"

#include <QSet>

namespace dieta::server::demo {

namespace {

struct Slot {
    const char* type;
    const char* candidates; // dish codes, rotated by day
    bool option = false;
    double quantity = 1; // portions on quantity diets
    double start = -1;   // consumption start in hours; < 0: not a formula
    double interval = 0;
    double period = 0;
};

// clang-format off
const std::vector<Slot> generalMenu = {
    {"01", "01.01.001"}, {"01", "01.02.001 01.02.002 01.02.006 01.02.005"},
    {"01", "03.01.001 03.01.002 03.01.003"}, {"01", "01.01.004", true},
    {"02", "03.01.002 03.01.001 01.01.003 03.01.005 03.03.004"},
    {"03", "02.02.001"}, {"03", "02.02.003"},
    {"03", "02.01.001 02.01.003 02.01.006 02.01.002 02.01.004", false, 2},
    {"03", "02.01.005 02.01.007 02.01.008 02.01.001", true, 2},
    {"03", "02.02.005 02.02.009 02.02.008 02.02.006 02.02.007"},
    {"03", "02.03.001 02.03.002"}, {"03", "03.02.001 03.01.004 03.02.004 03.01.003"},
    {"04", "01.01.001 01.01.006"}, {"04", "03.03.003 01.02.003 01.02.005 03.03.001"},
    {"05", "02.04.001 02.04.002 02.04.003"}, {"05", "02.02.001"},
    {"05", "02.01.007 02.01.004 02.01.005 02.01.001", false, 2},
    {"05", "02.02.004 02.02.008 02.02.006"}, {"05", "03.01.005 03.02.002 03.01.002 03.02.005"},
    {"06", "01.01.002 03.03.002"}, {"06", "03.03.001"},
    {"07", "04.01.002"},
};
const std::vector<Slot> softMenu = {
    {"01", "01.02.004"}, {"01", "01.01.001"}, {"02", "03.01.002"},
    {"03", "02.02.004"}, {"03", "02.01.002"}, {"03", "02.02.008"}, {"03", "03.02.001 03.02.002"},
    {"04", "01.01.006"}, {"05", "02.04.001 02.04.002"}, {"05", "02.02.004"},
    {"05", "03.02.002 03.02.001"}, {"06", "03.03.002"}, {"07", "04.01.002"},
};
const std::vector<Slot> liquidMenu = {
    {"01", "01.01.004"}, {"01", "01.01.003"}, {"02", "01.01.003"},
    {"03", "02.04.002 02.04.003"}, {"03", "03.02.001"}, {"04", "01.01.006"},
    {"05", "02.04.001 02.04.002"}, {"05", "03.02.001"}, {"06", "01.01.002"}, {"07", "04.01.001"},
};
const std::vector<Slot> infantMenu = {
    {"01", "01.02.004"}, {"01", "03.01.001"}, {"02", "03.01.002"},
    {"03", "02.02.004"}, {"03", "02.01.002"}, {"03", "02.02.008"}, {"03", "03.01.003"},
    {"04", "04.01.003 01.01.006"}, {"05", "02.04.001"}, {"05", "03.01.001"},
    {"06", "04.01.003"}, {"07", "04.01.003"},
};
const std::vector<Slot> enteralMenu = {
    {"07", "04.01.001", false, 1, 6, 3, 18},
    {"07", "04.01.002", true, 1, 10, 6, 12},
};
const std::vector<Slot> homemadeEnteralMenu = {
    {"07", "04.01.001", false, 1, 8, 4, 16},
};
const std::vector<Slot> serviceMenu = {
    {"07", "04.01.003", false, 1, 0, 3, 24},
    {"04", "01.01.004"},
};
// clang-format on

// Stand-ins when every candidate of a slot is left out by the diet.
const char* const substitutes = "01.02.007 01.01.005 03.02.003 03.01.003 03.01.001";

const std::vector<Slot>& menuOf(MenuStyle style) {
    static const std::vector<Slot> none;
    switch (style) {
    case MenuStyle::General:
        return generalMenu;
    case MenuStyle::Soft:
        return softMenu;
    case MenuStyle::Liquid:
        return liquidMenu;
    case MenuStyle::Infant:
        return infantMenu;
    case MenuStyle::Enteral:
        return enteralMenu;
    case MenuStyle::EnteralHomemade:
        return homemadeEnteralMenu;
    case MenuStyle::None:
        break;
    }
    return none;
}

bool isFormula(MenuStyle style) {
    return style == MenuStyle::Enteral || style == MenuStyle::EnteralHomemade;
}

class CardBuilder {
public:
    CardBuilder(const QStringList& excluded, const QString& branch)
        : excluded_(excluded), branch_(branch) {}

    void addSlot(const Slot& slot, int rotation, bool quantities) {
        const QStringList candidates = words(slot.candidates);
        const int count = static_cast<int>(candidates.size());
        for (int k = 0; k < count; ++k) {
            const int index = (((rotation + k) % count) + count) % count;
            if (tryAdd(slot, candidates.at(index), quantities))
                return;
        }
        for (const QString& code : words(substitutes))
            if (tryAdd(slot, code, quantities))
                return;
    }

    std::vector<CardRow> take() { return std::move(rows_); }

private:
    bool tryAdd(const Slot& slot, const QString& code, bool quantities) {
        const CatalogDish* dish = findCatalogDish(code);
        if (!dish || !usable(*dish))
            return false;
        const QString key = QString::fromUtf8(slot.type) + u'/' + code;
        if (used_.contains(key))
            return false;
        used_.insert(key);
        CardRow row;
        row.dishType = QString::fromUtf8(slot.type);
        row.dish = code;
        row.dishBranch = QString::fromUtf8(dish->branch);
        row.order = static_cast<int>(rows_.size()) + 1;
        row.option = slot.option;
        row.quantity = quantities ? slot.quantity : 1;
        if (slot.start >= 0) {
            row.start = slot.start;
            row.interval = slot.interval;
            row.period = slot.period;
        }
        rows_.push_back(row);
        return true;
    }

    bool usable(const CatalogDish& dish) const {
        const QString dishBranch = QString::fromUtf8(dish.branch);
        if (dishBranch != QLatin1String("P") && dishBranch != branch_)
            return false;
        for (const QString& group : productGroupsOf(dish))
            if (excluded_.contains(group))
                return false;
        return true;
    }

    QStringList excluded_;
    QString branch_;
    QSet<QString> used_;
    std::vector<CardRow> rows_;
};

} // namespace

std::vector<CardRow> buildCard(MenuStyle style, const QStringList& serviceTypes,
                               const QStringList& excludedGroups, bool quantities, int day,
                               const QString& branch) {
    CardBuilder builder(excludedGroups, branch);
    const std::vector<Slot>& menu = menuOf(style);
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const Slot& slot = menu[i];
        if (!isFormula(style) && !serviceTypes.contains(QString::fromUtf8(slot.type)))
            continue;
        builder.addSlot(slot, day + static_cast<int>(i), quantities);
    }
    return builder.take();
}

std::vector<CardRow> buildServiceCard(const QStringList& serviceTypes, int day) {
    CardBuilder builder({}, QStringLiteral("P"));
    for (std::size_t i = 0; i < serviceMenu.size(); ++i)
        if (serviceTypes.contains(QString::fromUtf8(serviceMenu[i].type)))
            builder.addSlot(serviceMenu[i], day + static_cast<int>(i), false);
    return builder.take();
}

} // namespace dieta::server::demo
