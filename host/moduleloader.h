#pragma once
// Loads module libraries the way the hospital system does: by absolute path, every symbol
// resolved at load (a lazy load would kill the process at the first missing symbol), and
// never unloaded (windows of a module may still be alive).

#include <QHash>
#include <QLibrary>
#include <QString>
#include <QVariantList>
#include <memory>

namespace dieta::host {

class ModuleLoader {
public:
    explicit ModuleLoader(QString moduleDir);

    // The library file of a module name ("Pkg_zfa13000", "ZFA80000"), or empty when it is not
    // installed.
    QString libraryPath(const QString& moduleName) const;

    // Loads the module (once) and runs its entry: IniProcParams(params) when it exports one,
    // else IniProc(). Returns false with a Portuguese text in *error when it cannot.
    bool run(const QString& moduleName, const QVariantList& params, QString* error);

private:
    QLibrary* load(const QString& moduleName, QString* error);

    QString dir_;
    QHash<QString, std::shared_ptr<QLibrary>> loaded_;
};

} // namespace dieta::host
