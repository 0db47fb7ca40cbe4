#include "screen/hostdirectory.h"

#include <QCoreApplication>

namespace dieta::Cli_zfa13000 {

namespace {
QString& overridden() {
    static QString directory;
    return directory;
}
} // namespace

QString hostDirectory() {
    return overridden().isEmpty() ? QCoreApplication::applicationDirPath() : overridden();
}

void setHostDirectory(const QString& directory) {
    overridden() = directory;
}

} // namespace dieta::Cli_zfa13000
