#pragma once
// TMaskEdit: a line edit that takes the host's edit masks ("9999:99;1; ", ">aaaa;0; "),
// converted once by editmask.h. Text() is the text with its blanks (Qt's displayText()),
// which the handlers compare and pad; Value() is what gets stored: without the literals when the
// mask's second field is 0. An empty mask makes it a plain edit.

#include "framework/editmask.h"
#include "framework/framework_export.h"

#include <QLineEdit>

namespace dieta {

class FRAMEWORK_EXPORT TMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr);
    TMaskEdit(const QString& originalMask, QWidget* parent = nullptr);

    void SetEditMask(const QString& originalMask);
    QString EditMask() const { return m_original; }
    const dieta::EditMask& mask() const { return m_mask; }

    // The text as the operator sees it, blanks included.
    QString Text() const;
    // The value to store (literals dropped when the mask says so), trimmed of the
    // mask's blanks at the end.
    QString Value() const;
    // Only blanks and literals.
    bool IsEmpty() const;

private:
    QString m_original;
    dieta::EditMask m_mask;
};

} // namespace dieta
