#include "platform/wiredate.h"

namespace dieta {
namespace {

// Value of `count` decimal digits at `pos`, or -1 when any of them is not a digit.
int digits(QStringView text, qsizetype pos, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

QDate isoDateAt(QStringView text) {
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    if (year < 1 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return {};
    return QDate(year, month, day);
}

void putDigits(char16_t* out, int value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
}

} // namespace

QDate parseIsoDate(QStringView text) {
    return text.size() == 10 ? isoDateAt(text) : QDate();
}

bool splitIsoDateTime(QStringView text, QDate* date, QTime* time) {
    if (text.size() == 10) {
        *date = isoDateAt(text);
        *time = QTime(0, 0);
        return date->isValid();
    }
    if (text.size() != 19 || (text[10] != u'T' && text[10] != u' ') || text[13] != u':' ||
        text[16] != u':')
        return false;
    *date = isoDateAt(text);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (!date->isValid() || hour < 0 || minute < 0 || second < 0 ||
        !QTime::isValid(hour, minute, second))
        return false;
    *time = QTime(hour, minute, second);
    return true;
}

QDateTime parseIsoDateTime(QStringView text) {
    QDate date;
    QTime time;
    return splitIsoDateTime(text, &date, &time) ? QDateTime(date, time) : QDateTime();
}

QString formatIsoDate(QDate date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return {};
    QString text(10, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    putDigits(out, date.year(), 4);
    out[4] = u'-';
    putDigits(out + 5, date.month(), 2);
    out[7] = u'-';
    putDigits(out + 8, date.day(), 2);
    return text;
}

QString formatIsoDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return {};
    const QString date = formatIsoDate(dateTime.date());
    if (date.isEmpty())
        return {};
    const QTime time = dateTime.time();
    QString text(19, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    std::copy_n(reinterpret_cast<const char16_t*>(date.constData()), 10, out);
    out[10] = u'T';
    putDigits(out + 11, time.hour(), 2);
    out[13] = u':';
    putDigits(out + 14, time.minute(), 2);
    out[16] = u':';
    putDigits(out + 17, time.second(), 2);
    return text;
}

QString formatShortDate(QDate date) {
    const QString iso = formatIsoDate(date);
    if (iso.isEmpty())
        return {};
    return iso.mid(8, 2) + u'/' + iso.mid(5, 2) + u'/' + iso.left(4);
}

QDate parseShortDate(QStringView text) {
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/')
        return {};
    const int day = digits(text, 0, 2);
    const int month = digits(text, 3, 2);
    const int year = digits(text, 6, 4);
    if (year < 1 || month < 0 || day < 0 || !QDate::isValid(year, month, day))
        return {};
    return QDate(year, month, day);
}

} // namespace dieta
