#include "framework/tradiogroup.h"

#include "framework/abortguard.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace dieta {

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), m_group(new QButtonGroup(this)), m_layout(new QGridLayout(this)) {
    m_layout->setContentsMargins(8, 2, 8, 2);
    m_layout->setVerticalSpacing(0);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            chosen(id);
    });
}

void TRadioGroup::SetItems(const QStringList& items) {
    for (QRadioButton* button : std::as_const(m_buttons)) {
        m_group->removeButton(button);
        delete button;
    }
    m_buttons.clear();
    m_index = -1;
    for (const QString& text : items) {
        auto* button = new QRadioButton(text, this);
        button->setObjectName(QStringLiteral("item%1").arg(m_buttons.size()));
        m_group->addButton(button, int(m_buttons.size()));
        m_buttons.append(button);
    }
    setFocusProxy(m_buttons.isEmpty() ? nullptr : m_buttons.first());
    layoutButtons();
}

QStringList TRadioGroup::Items() const {
    QStringList items;
    for (const QRadioButton* button : m_buttons)
        items << button->text();
    return items;
}

QRadioButton* TRadioGroup::Button(int index) const {
    return index >= 0 && index < Count() ? m_buttons.at(index) : nullptr;
}

void TRadioGroup::SetColumns(int columns) {
    m_columns = std::max(1, columns);
    layoutButtons();
}

void TRadioGroup::layoutButtons() {
    for (int i = 0; i < Count(); ++i) {
        m_layout->removeWidget(m_buttons.at(i));
        m_layout->addWidget(m_buttons.at(i), i / m_columns, i % m_columns);
    }
}

int TRadioGroup::ItemIndex() const {
    return m_index;
}

void TRadioGroup::SetItemIndex(int index) {
    if (index == m_index)
        return;
    if (QRadioButton* button = Button(index)) {
        button->setChecked(true); // runs chosen() through the group
        return;
    }
    // None chosen: an exclusive group cannot uncheck its button itself.
    m_group->setExclusive(false);
    for (QRadioButton* button : std::as_const(m_buttons))
        button->setChecked(false);
    m_group->setExclusive(true);
    chosen(-1);
}

void TRadioGroup::chosen(int index) {
    if (index == m_index)
        return;
    m_index = index;
    setFocusProxy(Button(index) ? Button(index) : (m_buttons.isEmpty() ? nullptr : m_buttons[0]));
    runGuarded([this] {
        if (OnClick)
            OnClick();
    });
}

} // namespace dieta
