// dieta-server: the application server of the Dieta Oral module.
//   dieta-server [--db PATH|CONNSTRING] [--host 127.0.0.1] [--port N] [--demo SIZE]
//                [--today yyyy-MM-dd] [--data-dir DIR] [--cert FILE --key FILE] [--insecure]
// Prints "listening on HOST:PORT" once it accepts calls; SIGINT or SIGTERM stop it cleanly.
// When --demo has just filled the database, first prints one line per demo operator,
// "demo operator CODE password SECRET": the passwords are kept nowhere else (only their
// hashes), so whoever starts the server hands them on. Security events go to stderr.

#include "platform/localtimezone.h"
#include "platform/sqldatabase.h"
#include "server/serverapp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <pthread.h>
#include <sys/resource.h>

namespace {

using dieta::server::ServerOptions;

[[noreturn]] void usageError(const QString& text) {
    std::fprintf(stderr, "dieta-server: %s\n", qPrintable(text));
    std::exit(2);
}

std::optional<int> intOption(const QCommandLineParser& parser, const QString& name, int min,
                             int max) {
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < min || value > max)
        usageError(QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(min).arg(max));
    return value;
}

QDate dateOption(const QCommandLineParser& parser, const QString& name) {
    const QDate date = QDate::fromString(parser.value(name), Qt::ISODate);
    if (!date.isValid())
        usageError(QStringLiteral("--%1 takes a date as yyyy-MM-dd").arg(name));
    return date;
}

ServerOptions readOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Dieta Oral application server"));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("db"), QStringLiteral("SQLite file or PostgreSQL connection string."),
         QStringLiteral("database")},
        {QStringLiteral("host"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
         QStringLiteral("host"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one."),
         QStringLiteral("port"), QStringLiteral("0")},
        {QStringLiteral("demo"),
         QStringLiteral("Fill an empty database with a demo hospital of SIZE inpatients."),
         QStringLiteral("size")},
        {QStringLiteral("today"),
         QStringLiteral("Service date the demo data is laid around (default: the real date)."),
         QStringLiteral("yyyy-MM-dd")},
        {QStringLiteral("data-dir"),
         QStringLiteral("Folder of the default SQLite database (default ./data)."),
         QStringLiteral("dir"), QStringLiteral("data")},
        {QStringLiteral("cert"), QStringLiteral("TLS certificate chain (PEM): serve HTTPS."),
         QStringLiteral("file")},
        {QStringLiteral("key"), QStringLiteral("TLS private key (PEM) of --cert."),
         QStringLiteral("file")},
        {QStringLiteral("insecure"),
         QStringLiteral("Allow plain HTTP on an address other than loopback.")},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        usageError(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    ServerOptions options;
    options.database = parser.value(QStringLiteral("db"));
    options.host = parser.value(QStringLiteral("host"));
    options.dataDir = parser.value(QStringLiteral("data-dir"));
    options.certificateFile = parser.value(QStringLiteral("cert"));
    options.privateKeyFile = parser.value(QStringLiteral("key"));
    if (options.certificateFile.isEmpty() != options.privateKeyFile.isEmpty())
        usageError(QStringLiteral("--cert and --key go together"));
    options.allowInsecure = parser.isSet(QStringLiteral("insecure"));
    options.port = intOption(parser, QStringLiteral("port"), 0, 65535).value_or(0);
    if (auto size = intOption(parser, QStringLiteral("demo"), 1, 10'000'000)) {
        options.demo = dieta::server::DemoOptions{};
        options.demo->inpatients = *size;
    }
    if (parser.isSet(QStringLiteral("today"))) {
        if (!options.demo)
            usageError(QStringLiteral("--today is the date of the demo data: it needs --demo"));
        options.demo->today = dateOption(parser, QStringLiteral("today"));
    }
    return options;
}

// A PostgreSQL connection string may hold a password: the log names the engine only.
QString databaseLabel(dieta::server::ServerApp& server) {
    const auto& config = server.database().config();
    return config.engine == dieta::SqlEngine::SQLite ? config.sqlitePath
                                                     : QStringLiteral("PostgreSQL");
}

// Every open connection is a file descriptor: take the whole allowance the system grants.
void raiseFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    dieta::readLocalTimeZoneOnce();
    // Blocked before any thread starts, so that every thread inherits the mask and the signals
    // reach only the sigwait() below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    raiseFileLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dieta-server"));
    dieta::server::ServerApp server(readOptions(app));
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dieta-server: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "dieta-server: database %s\n", qPrintable(databaseLabel(server)));
    for (const dieta::server::DemoCredential& credential : server.demoCredentials())
        std::printf("demo operator %s password %s\n", qPrintable(credential.operatorCode),
                    qPrintable(credential.password));
    std::printf("listening on %s:%d\n", qPrintable(server.host()), server.port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "dieta-server: stopping (signal %d)\n", received);
    server.stop();
    return 0;
}
