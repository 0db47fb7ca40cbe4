#include "framework/tnumberedit.h"

#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <cmath>

namespace dieta {

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    updateValidator();
    connect(this, &QLineEdit::textChanged, this, &TNumberEdit::numberChanged);
}

std::optional<double> TNumberEdit::Value() const {
    QString t = text().trimmed();
    if (t.isEmpty() || t == QLatin1String("-"))
        return std::nullopt;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

double TNumberEdit::GetNumber() const {
    return Value().value_or(0.0);
}

bool TNumberEdit::IsEmpty() const {
    return !Value().has_value();
}

void TNumberEdit::SetNumber(double value) {
    if (!std::isfinite(value)) {
        clear();
        return;
    }
    if (!m_allowNegative && value < 0)
        value = 0;
    QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    brazil.setNumberOptions(QLocale::OmitGroupSeparator);
    setText(brazil.toString(value, 'f', m_decimals));
}

void TNumberEdit::setDecimals(int decimals) {
    m_decimals = qBound(0, decimals, 10);
    updateValidator();
}

void TNumberEdit::setAllowNegative(bool allow) {
    m_allowNegative = allow;
    updateValidator();
}

void TNumberEdit::updateValidator() {
    QString pattern = m_allowNegative ? QStringLiteral("-?\\d{0,15}") : QStringLiteral("\\d{0,15}");
    if (m_decimals > 0)
        pattern += QStringLiteral("(,\\d{0,%1})?").arg(m_decimals);
    if (!m_validator) {
        m_validator = new QRegularExpressionValidator(this);
        setValidator(m_validator);
    }
    m_validator->setRegularExpression(QRegularExpression(pattern));
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
    // A '.' from the numeric keypad or a habit is the decimal comma.
    if (event->text() == QLatin1String(".") && m_decimals > 0) {
        QKeyEvent comma(event->type(), Qt::Key_Comma, event->modifiers(), QStringLiteral(","));
        QLineEdit::keyPressEvent(&comma);
        event->setAccepted(comma.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace dieta
