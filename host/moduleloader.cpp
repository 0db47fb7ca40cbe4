#include "host/moduleloader.h"

#include "contracts/hostapplication.h"

#include <QDir>
#include <QFileInfo>

namespace dieta::host {

namespace {} // namespace

ModuleLoader::ModuleLoader(QString moduleDir) : dir_(std::move(moduleDir)) {}

QString ModuleLoader::libraryPath(const QString& moduleName) const {
    const QDir dir(dir_);
    const QStringList candidates = {
        "lib" + moduleName + ".so",
        "lib" + moduleName.toLower() + ".so",
        "libPkg_" + moduleName.toLower() + ".so",
    };
    for (const QString& name : candidates) {
        const QFileInfo file(dir.filePath(name));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

QLibrary* ModuleLoader::load(const QString& moduleName, QString* error) {
    if (auto it = loaded_.constFind(moduleName); it != loaded_.constEnd())
        return it->get();
    const QString path = libraryPath(moduleName);
    if (path.isEmpty()) {
        *error = QStringLiteral("O módulo %1 não está instalado.").arg(moduleName);
        return nullptr;
    }
    auto library = std::make_shared<QLibrary>(path);
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint | QLibrary::PreventUnloadHint);
    if (!library->load()) {
        *error = QStringLiteral("Não foi possível carregar o módulo %1: %2")
                     .arg(moduleName, library->errorString());
        return nullptr;
    }
    loaded_.insert(moduleName, library);
    return library.get();
}

bool ModuleLoader::run(const QString& moduleName, const QVariantList& params, QString* error) {
    QLibrary* library = load(moduleName, error);
    if (!library)
        return false;
    if (auto withParams = reinterpret_cast<contracts::IniProcParamsFn>(
            library->resolve(contracts::kEntryIniProcParams))) {
        withParams(&params);
        return true;
    }
    if (auto entry =
            reinterpret_cast<contracts::IniProcFn>(library->resolve(contracts::kEntryIniProc))) {
        entry();
        return true;
    }
    *error = QStringLiteral("O módulo %1 não tem o ponto de entrada IniProc.").arg(moduleName);
    return false;
}

} // namespace dieta::host
