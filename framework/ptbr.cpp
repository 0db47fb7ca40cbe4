#include "framework/ptbr.h"

#include <QRegularExpression>
#include <array>
#include <cmath>

namespace dieta::ptbr {

namespace {

QString nameOf(const std::array<const char*, 8>& names, int index) {
    if (index < 1 || index > 7)
        return {};
    return QString::fromUtf8(names[std::size_t(index)]);
}

} // namespace

QLocale locale() {
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

QString formatDate(const QDate& date) {
    return date.isValid() ? date.toString(QLatin1String(shortDateFormat)) : QString();
}

std::optional<QDate> parseDate(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(3).toInt(), match.captured(2).toInt(),
                     match.captured(1).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString shortDayName(int dayOfWeek) {
    static const std::array<const char*, 8> names = {"",       "Segunda", "Terça",  "Quarta",
                                                     "Quinta", "Sexta",   "Sábado", "Domingo"};
    return nameOf(names, dayOfWeek);
}

QString longDayName(int dayOfWeek) {
    static const std::array<const char*, 8> names = {
        "",       "Segunda-feira", "Terça-feira", "Quarta-feira", "Quinta-feira", "Sexta-feira",
        "Sábado", "Domingo"};
    return nameOf(names, dayOfWeek);
}

QString monthName(int month) {
    static const std::array<const char*, 12> names = {
        "Janeiro", "Fevereiro", "Março",    "Abril",   "Maio",     "Junho",
        "Julho",   "Agosto",    "Setembro", "Outubro", "Novembro", "Dezembro"};
    if (month < 1 || month > 12)
        return {};
    return QString::fromUtf8(names[std::size_t(month - 1)]);
}

QString formatNumber(double value, int decimals, bool groupThousands) {
    QLocale pt = locale();
    if (!groupThousands)
        pt.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = pt.toString(value, 'f', std::max(decimals, 0));
    // "-0,00" reads as a negative zero to the operator.
    static const QRegularExpression negativeZero(QStringLiteral("^-[0.,]+$"));
    if (negativeZero.match(text).hasMatch())
        text.remove(0, 1);
    return text;
}

std::optional<double> parseNumber(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([+-]?)(\d{1,3}(?:\.\d{3})+|\d*)(?:,(\d*))?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString integer = match.captured(2);
    const QString fraction = match.captured(3);
    if (integer.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    integer.remove(QLatin1Char('.'));
    bool ok = false;
    const double value = QString(QStringLiteral("%1.%2"))
                             .arg(integer.isEmpty() ? QStringLiteral("0") : integer,
                                  fraction.isEmpty() ? QStringLiteral("0") : fraction)
                             .toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return match.captured(1) == QLatin1String("-") ? -value : value;
}

} // namespace dieta::ptbr
