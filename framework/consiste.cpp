#include "framework/consiste.h"

#include "framework/dialogservice.h"
#include "framework/editmask.h"
#include "platform/eabort.h"

#include <QWidget>
#include <charconv>
#include <cmath>
#include <string>

namespace dieta::Consiste {

namespace {

bool isBlankOrLiteral(QChar c) {
    static const QString literals = QStringLiteral("_:/.-,()");
    return c.isSpace() || literals.contains(c);
}

bool isTrimmable(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace();
}

// Rounds the decimal digits of a non-negative fixed-point text at `decimals` places, half up.
std::string roundDecimalText(std::string digits, int decimals) {
    const std::size_t dot = digits.find('.');
    if (dot == std::string::npos || digits.size() - dot - 1 <= std::size_t(decimals))
        return digits;
    const bool up = digits[dot + 1 + decimals] >= '5';
    digits.resize(decimals == 0 ? dot : dot + 1 + decimals);
    if (!up)
        return digits;
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] == '.')
            continue;
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return '1' + digits;
}

} // namespace

bool EmptyString(const QString& text) {
    for (QChar c : text) {
        if (!isBlankOrLiteral(c))
            return false;
    }
    return true;
}

void MensErro(const QString& text, QWidget* focus) {
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
    dialogs().message(MsgKind::Error, text, focus);
    throw EAbort{};
}

QString Ajusta(const QString& code, int width) {
    const QString trimmed = AllTrim(code);
    if (trimmed.isEmpty())
        return trimmed;
    return PadL(trimmed, width, QLatin1Char('0'));
}

QString PadL(const QString& text, int width, QChar fill) {
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), fill) + text;
}

QString AllTrim(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmable(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmable(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

double RoundDec(double value, int decimals) {
    if (!std::isfinite(value))
        return value;
    decimals = std::clamp(decimals, 0, 15);
    // The shortest text that reads back as the same double is the decimal the user meant.
    char buffer[400];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    if (written.ec != std::errc())
        return value;
    const std::string rounded = roundDecimalText(std::string(buffer, written.ptr), decimals);
    double result = 0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), result);
    return value < 0 ? -result : result;
}

QString DateMask() {
    return QStringLiteral("!99/99/0000;1;_");
}

QString DateMaskQt() {
    return convertMask(DateMask()).inputMask();
}

Age Idade(const QDate& birth, const QDate& date) {
    if (!birth.isValid() || !date.isValid() || date < birth)
        return {};
    int months = (date.year() - birth.year()) * 12 + (date.month() - birth.month());
    const bool monthComplete = date.day() >= birth.day() || date.day() == date.daysInMonth();
    if (!monthComplete)
        --months;
    return {months / 12, months % 12};
}

void SetChildEnabled(QWidget* parent, bool enabled) {
    if (!parent)
        return;
    const auto children = parent->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setEnabled(enabled);
}

} // namespace dieta::Consiste
