#pragma once
// Vantor: the values the host gives the module (operator, branch in use, server address,
// code masks) and the host's service LoadBPL. The host fills them once through setHost();
// the module only reads them. Before the host sets them they are empty.

#include "framework/framework_export.h"

#include <QHash>
#include <QString>
#include <QVariantList>
#include <functional>

namespace dieta {

// A code mask of a kind of code (e.g. kind 1, dishes): its mask in the host's format and the
// number of levels (groups of mask characters separated by literals: "99.99.999" has 3).
class FRAMEWORK_EXPORT TPictObj {
public:
    TPictObj() = default;
    explicit TPictObj(const QString& mask);
    const QString& mask() const { return m_mask; }
    int GetTtNiveis() const { return m_levels; }

private:
    QString m_mask;
    int m_levels = 0;
};

struct HostValues {
    QString operador;
    QString filiProc;
    QString nomeFiliProc;
    bool moduFili = false;
    QString webUrl;
    int webPort = 0;
    QHash<int, QString> codeMasks; // kind -> mask in the host's format
    // Where the host keeps its files (FILPACI.cds); empty: the host executable's directory.
    QString fileDirectory;
    // Runs another host module by name; nullptr: not available.
    std::function<void(const QString& module, const QVariantList& params)> loadBpl;
};

namespace Vantor {

FRAMEWORK_EXPORT void setHost(const HostValues& values);
FRAMEWORK_EXPORT const HostValues& host();

FRAMEWORK_EXPORT QString Operador();
FRAMEWORK_EXPORT QString FiliProc();
FRAMEWORK_EXPORT QString NomeFiliProc();
FRAMEWORK_EXPORT bool ModuFili();
FRAMEWORK_EXPORT QString WebURL();
FRAMEWORK_EXPORT int WebPort();
// The directory of the host's files: the host's choice, else the executable's.
FRAMEWORK_EXPORT QString FileDirectory();
// Runs the host module; without a host service it shows an error and abandons.
FRAMEWORK_EXPORT void LoadBPL(const QString& module, const QVariantList& params);
// The mask of a kind of code ("" when the host gave none).
FRAMEWORK_EXPORT QString DBPict(int kind);
FRAMEWORK_EXPORT TPictObj DBPictObj(int kind);

} // namespace Vantor
} // namespace dieta
