// dieta-operators: administration of the operators who log in to dieta-server.
//   dieta-operators --db PATH|CONNSTRING add CODE NAME
//   dieta-operators --db ... set-password CODE [--random]
//   dieta-operators --db ... set-nutritionist CODE BRANCH
//   dieta-operators --db ... disable CODE
//   dieta-operators --db ... list
// A password is read from standard input (without echo on a terminal), never from the command
// line, where other users could see it; --random makes one and prints it once.

#include "platform/sqldatabase.h"
#include "server/auth/operators.h"
#include "server/storage/schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace dieta;
using namespace dieta::server;

[[noreturn]] void fail(const QString& text, int code = 1) {
    std::fprintf(stderr, "dieta-operators: %s\n", qPrintable(text));
    std::exit(code);
}

QString readPassword() {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "Senha: ");
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    return QString::fromStdString(line);
}

void needArguments(const QStringList& args, int count, const char* usage) {
    if (args.size() != count)
        fail(QStringLiteral("usage: dieta-operators --db DB %1").arg(QLatin1String(usage)), 2);
}

void run(SqlDatabase& db, const QStringList& args, bool random) {
    const QString command = args.value(0);
    if (command == u"add") {
        needArguments(args, 3, "add CODE NAME");
        auth::addOperator(db, args.at(1), args.at(2));
    } else if (command == u"set-password") {
        needArguments(args, 2, "set-password CODE [--random]");
        const QString password = random ? auth::randomSecret(12) : readPassword();
        auth::setPassword(db, args.at(1), password);
        if (random)
            std::printf("operator %s password %s\n", qPrintable(args.at(1)), qPrintable(password));
    } else if (command == u"set-nutritionist") {
        needArguments(args, 3, "set-nutritionist CODE BRANCH");
        auth::setNutritionist(db, args.at(1), args.at(2));
    } else if (command == u"disable") {
        needArguments(args, 2, "disable CODE");
        auth::disableOperator(db, args.at(1));
    } else if (command == u"list") {
        for (const QString& code : auth::operatorCodes(db))
            std::printf("%s\n", qPrintable(code));
    } else {
        fail(QStringLiteral("unknown command %1 (add, set-password, set-nutritionist, disable, "
                            "list)")
                 .arg(command),
             2);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dieta-operators"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Operators of the Dieta Oral server"));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("db"), QStringLiteral("SQLite file or PostgreSQL connection string."),
         QStringLiteral("database")},
        {QStringLiteral("random"), QStringLiteral("set-password: make a random password and "
                                                  "print it.")},
    });
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("add, set-password, set-nutritionist, disable, "
                                                "list"));
    parser.process(app);
    if (!parser.isSet(QStringLiteral("db")))
        fail(QStringLiteral("--db is required"), 2);
    try {
        SqlDatabase db(DatabaseConfig::parse(parser.value(QStringLiteral("db"))));
        migrate(db);
        run(db, parser.positionalArguments(), parser.isSet(QStringLiteral("random")));
        db.releaseThreadConnection();
    } catch (const auth::AdminError& error) {
        fail(QString::fromUtf8(error.what()));
    } catch (const std::exception& error) {
        fail(QString::fromUtf8(error.what()));
    }
    return 0;
}
