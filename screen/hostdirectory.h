#pragma once
// The directory where the host keeps its files (FILPACI.cds): the host executable's, unless
// the host or a test names another one.

#include <QString>

namespace dieta::Cli_zfa13000 {

QString hostDirectory();
void setHostDirectory(const QString& directory); // empty: back to the executable's

} // namespace dieta::Cli_zfa13000
