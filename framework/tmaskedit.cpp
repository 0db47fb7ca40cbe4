#include "framework/tmaskedit.h"

namespace dieta {

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

TMaskEdit::TMaskEdit(const QString& originalMask, QWidget* parent) : QLineEdit(parent) {
    SetEditMask(originalMask);
}

void TMaskEdit::SetEditMask(const QString& originalMask) {
    m_original = originalMask;
    m_mask = convertMask(originalMask);
    // Changing the mask keeps what fits of the old text: switching service and group keeps
    // the code typed so far.
    const QString old = text();
    setInputMask(m_mask.inputMask());
    if (!old.isEmpty())
        setText(old);
}

QString TMaskEdit::Text() const {
    return m_mask.isEmpty() ? text() : displayText();
}

QString TMaskEdit::Value() const {
    if (m_mask.isEmpty())
        return text();
    QString value;
    for (const QChar c : displayText()) {
        if (!m_mask.keepLiterals && m_mask.literals.contains(c))
            continue;
        value += c;
    }
    while (!value.isEmpty() && (value.back() == m_mask.blank || value.back() == QLatin1Char(' ')))
        value.chop(1);
    return value;
}

bool TMaskEdit::IsEmpty() const {
    if (m_mask.isEmpty())
        return text().trimmed().isEmpty();
    return isMaskedTextEmpty(displayText(), m_mask);
}

} // namespace dieta
