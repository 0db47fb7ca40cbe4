#pragma once
// What the hospital system tells a module: operator, branch, server and database.
// Read from a settings file (dieta-host.ini beside the executable, or --settings FILE), then
// overridden by the command line.

#include <QString>
#include <QStringList>
#include <optional>

namespace dieta::host {

struct HostSettings {
    QString operatorCode = QStringLiteral("NUTRI01");
    QString branch = QStringLiteral("0001");
    QString branchName;
    bool moduFili = false; // the branch is fixed by the host: the module disables its branch edit
    QString serverHost = QStringLiteral("127.0.0.1");
    int serverPort = 8080;
    // HTTPS to the server; its certificate must verify against serverCaFile (PEM), or the
    // system's authorities when that is empty. A CA file implies TLS.
    bool serverTls = false;
    QString serverCaFile;
    QString database;  // SQLite file or PostgreSQL connection string for the lookup queries
    QString moduleDir; // where module libraries are looked for; default: the executable's
    QString dishMask = QStringLiteral("99.99.999");
    bool openModule = false; // open the Dieta Oral screen at start
    QString screenshot;      // save a picture of the loaded screen there and quit

    // Returns nullopt and a Portuguese text in *error on a bad option.
    static std::optional<HostSettings> fromArguments(const QStringList& arguments,
                                                     const QString& defaultDir, QString* error);
    static QString usage();
};

} // namespace dieta::host
