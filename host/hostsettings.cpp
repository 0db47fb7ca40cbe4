#include "host/hostsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace dieta::host {

namespace {

void readFile(const QString& path, HostSettings& s) {
    QSettings ini(path, QSettings::IniFormat);
    s.operatorCode = ini.value("host/operator", s.operatorCode).toString();
    s.branch = ini.value("host/branch", s.branch).toString();
    s.branchName = ini.value("host/branch_name", s.branchName).toString();
    s.moduFili = ini.value("host/modufili", s.moduFili).toBool();
    s.serverHost = ini.value("server/host", s.serverHost).toString();
    s.serverPort = ini.value("server/port", s.serverPort).toInt();
    s.serverTls = ini.value("server/tls", s.serverTls).toBool();
    s.serverCaFile = ini.value("server/ca_file", s.serverCaFile).toString();
    s.database = ini.value("database/connection", s.database).toString();
    s.moduleDir = ini.value("host/module_dir", s.moduleDir).toString();
    s.dishMask = ini.value("host/dish_mask", s.dishMask).toString();
}

} // namespace

QString HostSettings::usage() {
    return QStringLiteral(
        "dieta-host [--settings FILE] [--operator CODE] [--branch CODE] [--branch-name NAME]\n"
        "           [--modufili] [--server HOST] [--port N] [--tls] [--server-ca FILE]\n"
        "           [--db PATH|CONNECTION]\n"
        "           [--module-dir DIR] [--dish-mask MASK] [--open-module] [--screenshot FILE]\n");
}

std::optional<HostSettings> HostSettings::fromArguments(const QStringList& arguments,
                                                        const QString& defaultDir, QString* error) {
    HostSettings s;
    s.moduleDir = defaultDir;
    QString file = QDir(defaultDir).filePath("dieta-host.ini");
    const int settingsAt = arguments.indexOf("--settings");
    if (settingsAt >= 0 && settingsAt + 1 < arguments.size())
        file = arguments.at(settingsAt + 1);
    if (QFileInfo::exists(file))
        readFile(file, s);

    for (int i = 1; i < arguments.size(); ++i) {
        const QString opt = arguments.at(i);
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        auto need = [&](QString& target) {
            auto v = value();
            if (!v)
                return false;
            target = *v;
            return true;
        };
        bool ok = true;
        if (opt == "--open-module")
            s.openModule = true;
        else if (opt == "--modufili")
            s.moduFili = true;
        else if (opt == "--tls")
            s.serverTls = true;
        else if (opt == "--server-ca")
            ok = need(s.serverCaFile);
        else if (opt == "--settings")
            ok = value().has_value();
        else if (opt == "--operator")
            ok = need(s.operatorCode);
        else if (opt == "--branch")
            ok = need(s.branch);
        else if (opt == "--branch-name")
            ok = need(s.branchName);
        else if (opt == "--server")
            ok = need(s.serverHost);
        else if (opt == "--db")
            ok = need(s.database);
        else if (opt == "--module-dir")
            ok = need(s.moduleDir);
        else if (opt == "--dish-mask")
            ok = need(s.dishMask);
        else if (opt == "--screenshot")
            ok = need(s.screenshot);
        else if (opt == "--port") {
            QString text;
            ok = need(text);
            bool number = false;
            s.serverPort = text.toInt(&number);
            ok = ok && number && s.serverPort > 0 && s.serverPort < 65536;
        } else {
            if (error)
                *error = QStringLiteral("Opção desconhecida: %1").arg(opt);
            return std::nullopt;
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("Valor inválido ou ausente para %1").arg(opt);
            return std::nullopt;
        }
    }
    if (!s.serverCaFile.isEmpty())
        s.serverTls = true;
    return s;
}

} // namespace dieta::host
