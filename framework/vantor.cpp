#include "framework/vantor.h"

#include "framework/consiste.h"
#include "framework/tmessages.h"

#include <QCoreApplication>

namespace dieta {

namespace {

HostValues& values() {
    static HostValues current;
    return current;
}

bool isMaskChar(QChar c) {
    return QStringLiteral("90aAcCLl#").contains(c);
}

int countLevels(const QString& mask) {
    const QString pattern = mask.section(QLatin1Char(';'), 0, 0);
    int levels = 0;
    bool inGroup = false;
    for (QChar c : pattern) {
        const bool maskChar = isMaskChar(c);
        if (maskChar && !inGroup)
            ++levels;
        if (maskChar || (c != QLatin1Char('!') && c != QLatin1Char('>') && c != QLatin1Char('<')))
            inGroup = maskChar;
    }
    return levels;
}

} // namespace

TPictObj::TPictObj(const QString& mask) : m_mask(mask), m_levels(countLevels(mask)) {}

namespace Vantor {

void setHost(const HostValues& hostValues) {
    values() = hostValues;
}
const HostValues& host() {
    return values();
}

QString Operador() {
    return values().operador;
}
QString FiliProc() {
    return values().filiProc;
}
QString NomeFiliProc() {
    return values().nomeFiliProc;
}
bool ModuFili() {
    return values().moduFili;
}
QString FileDirectory() {
    return values().fileDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                            : values().fileDirectory;
}
QString WebURL() {
    return values().webUrl;
}
int WebPort() {
    return values().webPort;
}

void LoadBPL(const QString& module, const QVariantList& params) {
    const auto& loader = values().loadBpl;
    if (!loader)
        Consiste::MensErro(msgMensagensPadroes().Msg(QStringLiteral("Modulo_Indisp")).arg(module));
    loader(module, params);
}

QString DBPict(int kind) {
    return values().codeMasks.value(kind);
}

TPictObj DBPictObj(int kind) {
    return TPictObj(DBPict(kind));
}

} // namespace Vantor
} // namespace dieta
