#pragma once
// TRadioGroup: a framed group of radio buttons in columns, of which one is chosen. ItemIndex
// counts from 0; -1 is none. OnClick runs whenever the chosen item changes, by the operator or
// from code, so that what depends on the choice follows loaded values too (not when the same
// item is chosen again). Disabling the
// group disables its buttons; the focus given to the group goes to the chosen button.
//
//   rgpPaciente->SetItems({"Paciente", "Acompanhante  "});
//   rgpPaciente->SetColumns(2);
//   rgpPaciente->SetItemIndex(0);

#include "framework/controlevents.h"
#include "framework/framework_export.h"

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace dieta {

class FRAMEWORK_EXPORT TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    // Replaces the buttons (texts kept byte for byte); nothing is chosen afterwards.
    void SetItems(const QStringList& items);
    QStringList Items() const;
    int Count() const { return int(m_buttons.size()); }
    QRadioButton* Button(int index) const;

    // Buttons are laid out row by row in this many columns (at least 1).
    void SetColumns(int columns);
    int Columns() const { return m_columns; }

    int ItemIndex() const;
    // An index outside the items chooses none.
    void SetItemIndex(int index);

    EventHandler OnClick;

private:
    void layoutButtons();
    void chosen(int index);

    QButtonGroup* m_group;
    QGridLayout* m_layout;
    QList<QRadioButton*> m_buttons;
    int m_columns = 1;
    int m_index = -1;
};

} // namespace dieta
