#include "screen/consumptiontime.h"

#include "framework/consiste.h"

#include <cmath>

namespace dieta::Cli_zfa13000 {

QString RealToStTime(double hours) {
    qint64 whole = qint64(std::trunc(hours));
    qint64 minutes = std::llround((hours - double(whole)) * 60.0);
    if (minutes >= 60) {
        ++whole;
        minutes -= 60;
    }
    return Consiste::PadL(QString::number(whole), 4) + u':' +
           Consiste::Ajusta(QString::number(minutes), 2);
}

std::optional<double> StTimeToHours(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    const QString hoursText = Consiste::AllTrim(colon < 0 ? QString() : text.left(colon));
    QString minutesText = text.mid(colon + 1, 2);
    minutesText.remove(u' ');
    minutesText = Consiste::Ajusta(minutesText, 2);
    bool hoursOk = true;
    bool minutesOk = true;
    const qint64 hours = hoursText.isEmpty() ? 0 : hoursText.toLongLong(&hoursOk);
    const qint64 minutes = minutesText.isEmpty() ? 0 : minutesText.toLongLong(&minutesOk);
    if (!hoursOk || !minutesOk || hours < 0 || minutes < 0)
        return std::nullopt;
    return Consiste::RoundDec(double(hours) + double(minutes) / 60.0, 8);
}

} // namespace dieta::Cli_zfa13000
