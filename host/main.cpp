// dieta-host: stands for the hospital system that loads the Dieta Oral module.

#include "framework/showavi.h"
#include "framework/vantor.h"
#include "host/hostlogin.h"
#include "host/hostsettings.h"
#include "host/mainwindow.h"
#include "host/screenshot.h"
#include "platform/dtmdbgeral.h"
#include "platform/localtimezone.h"
#include "platform/sqldatabase.h"
#include "platform/tnetconnection.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTimer>
#include <cstdio>
#include <memory>

using namespace dieta;

namespace {

QString branchNameFromDatabase(SqlDatabase& db, const QString& branch) {
    try {
        QSqlQuery query(db.connection());
        query.prepare("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?");
        query.addBindValue(branch);
        if (query.exec() && query.next())
            return query.value(0).toString();
    } catch (const std::exception&) {
        // The module validates the branch itself and tells the operator.
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    dieta::readLocalTimeZoneOnce();
    QApplication app(argc, argv);
    QApplication::setApplicationName("dieta-host");

    QString error;
    auto settings = host::HostSettings::fromArguments(QApplication::arguments(),
                                                      QApplication::applicationDirPath(), &error);
    if (!settings) {
        std::fprintf(stderr, "%s\n%s", qPrintable(error), qPrintable(host::HostSettings::usage()));
        return 2;
    }
    if (settings->database.isEmpty()) {
        std::fprintf(stderr, "Informe o banco de dados (--db ou database/connection).\n");
        return 2;
    }

    TNetConnection::setDefaultTls(settings->serverTls, settings->serverCaFile);
    // Before anything else: who is at the keyboard.
    std::unique_ptr<TNetConnection> session =
        host::openSession(*settings, host::takePasswordFromEnvironment(), &error);
    if (!session) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    SqlDatabase general(DatabaseConfig::parse(settings->database));
    TdtmDBGeral::SetDatabase(&general);
    if (settings->branchName.isEmpty())
        settings->branchName = branchNameFromDatabase(general, settings->branch);

    host::MainWindow window(*settings);
    SetShowAviWindow(&window);

    HostValues values;
    values.operador = settings->operatorCode;
    values.filiProc = settings->branch;
    values.nomeFiliProc = settings->branchName;
    values.moduFili = settings->moduFili;
    values.webUrl = settings->serverHost;
    values.webPort = settings->serverPort;
    values.codeMasks.insert(1, settings->dishMask);
    values.loadBpl = [&window](const QString& module, const QVariantList& params) {
        window.runModule(module, params);
    };
    Vantor::setHost(values);

    window.show();
    if (settings->openModule || !settings->screenshot.isEmpty())
        QTimer::singleShot(0, &window,
                           [&window] { window.runModule(host::MainWindow::kDietaOralModule); });
    if (!settings->screenshot.isEmpty())
        host::scheduleScreenshot(window, settings->screenshot);

    const int rc = QApplication::exec();
    session->logout();
    TNetConnection::setProcessSession(QString());
    TdtmDBGeral::SetDatabase(nullptr);
    return rc;
}
