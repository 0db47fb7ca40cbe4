// The agreement between the module and the server: the method table the module calls by
// (contracts/rdmdietaoral.h) and the registry the server serves must name the same methods with
// the same arguments, kinds and by-reference positions; the real server refuses an argument of
// the wrong kind with 400 before any handler runs; a handler reads its arguments by their names
// in the table, and a name it gets wrong is an internal error, never another argument's value.

#include "contracts/rdmdietaoral.h"
#include "platform/datapacket.h"
#include "platform/wirebytes.h"
#include "platform/wirevalue.h"
#include "server/methods/methodcall.h"
#include "server/methods/methods.h"
#include "server/methods/methodsupport.h"
#include "tests/support/testserver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtTest>
#include <cstring>
#include <httplib.h>

using namespace dieta;
using contracts::rdm::ArgKind;
using contracts::rdm::MethodDecl;

namespace {

QString describe(const QList<ArgKind>& kinds) {
    QStringList names;
    for (ArgKind kind : kinds)
        names.append(QString::number(int(kind)));
    return names.join(u',');
}

// A value of the kind, as a caller of the module would send it.
QVariant goodValue(ArgKind kind) {
    switch (kind) {
    case ArgKind::String:
        return QStringLiteral("0001");
    case ArgKind::Number:
        return 1.0;
    case ArgKind::Date:
        return QDate(2026, 1, 5);
    case ArgKind::Boolean:
        return true;
    case ArgKind::Packet:
        return fromPacket(DataPacket());
    case ArgKind::Variant:
        return QStringLiteral(""); // "no packet"
    case ArgKind::Any:
        break;
    }
    return {};
}

// A value of another kind that the server must refuse for this one.
QVariant wrongValue(ArgKind kind) {
    switch (kind) {
    case ArgKind::String:
        return 1.0;
    case ArgKind::Number:
        return QStringLiteral("1");
    case ArgKind::Date:
        return QStringLiteral("2026-01-05");
    case ArgKind::Boolean:
        return QStringLiteral("S");
    case ArgKind::Packet:
        return QStringLiteral("pacote");
    case ArgKind::Variant:
    case ArgKind::Any:
        break;
    }
    return {};
}

QVariantList goodArguments(const MethodDecl& method) {
    QVariantList args;
    for (const contracts::rdm::ArgDecl& arg : method.args) // the operator: the session's
        args.append(std::strcmp(arg.name, "operatorCode") == 0 ? QVariant("NUTRI01")
                                                               : goodValue(arg.kind));
    return args;
}

QByteArray body(const QVariantList& args) {
    QByteArrayList values;
    for (const QVariant& value : args)
        values.append(toWireBytes(value));
    return "{\"args\":[" + values.join(',') + "]}";
}

struct Answer {
    int status = 0;
    QString error;
};

// As NUTRI01, with the session the fixture's client logged in with.
Answer post(test::TestServer& server, const QString& method, const QVariantList& args) {
    httplib::Client client("127.0.0.1", server.port());
    client.set_read_timeout(30, 0);
    const std::string path =
        "/" + std::string(contracts::rdm::kServerObject) + "/" + method.toStdString();
    const QByteArray payload = body(args);
    const httplib::Headers headers{
        {"X-Operador", "NUTRI01"},
        {"Authorization", "Bearer " + server.connection().SessionToken().toStdString()}};
    const httplib::Result result =
        client.Post(path, headers, payload.constData(), size_t(payload.size()), "application/json");
    if (!result)
        return {};
    const QJsonObject answer =
        QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    return {result->status, answer.value(QStringLiteral("error")).toString()};
}

const MethodDecl& tableMethod(const QString& name) {
    const MethodDecl* method = contracts::rdm::findMethod(name);
    Q_ASSERT(method);
    return *method;
}

// A handler that reads an argument the method does not have.
server::CallResult readsAMissingName(server::MethodCall& call) {
    return server::runRead(
        call.context(), [&](QSqlDatabase&) { return server::CallResult::ok(call.text("filial")); });
}

} // namespace

class tst_ServerMethodTable : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void tableIsWellFormed();
    void registryAndTableAgree();
    void wrongKindIsRefusedWith400_data();
    void wrongKindIsRefusedWith400();
    void wellKindedCallsReachTheirHandler_data();
    void wellKindedCallsReachTheirHandler();
    void argumentsAreReadByNameAndKind();
    void misreadArgumentIsAnInternalError();

private:
    std::unique_ptr<test::TestServer> server_;
};

void tst_ServerMethodTable::initTestCase() {
    server_ = std::make_unique<test::TestServer>();
    QVERIFY2(server_->ok(), qPrintable(server_->error()));
}

void tst_ServerMethodTable::cleanupTestCase() {
    server_.reset();
}

void tst_ServerMethodTable::tableIsWellFormed() {
    QSet<QString> methods;
    for (const MethodDecl& method : contracts::rdm::methodTable()) {
        const QString name = QString::fromLatin1(method.name);
        QVERIFY2(!methods.contains(name), qPrintable(name));
        methods.insert(name);
        // A name given twice would let a handler read one argument for the other.
        QSet<QString> args;
        for (const contracts::rdm::ArgDecl& arg : method.args) {
            const QString argName = QString::fromLatin1(arg.name);
            QVERIFY2(!argName.isEmpty() && !args.contains(argName),
                     qPrintable(QStringLiteral("%1.%2").arg(name, argName)));
            args.insert(argName);
        }
    }
}

void tst_ServerMethodTable::registryAndTableAgree() {
    server::MethodRegistry registry;
    server::registerAllMethods(registry);
    QStringList registered = registry.names();
    registered.sort();
    QStringList declared;
    for (const MethodDecl& method : contracts::rdm::methodTable())
        declared.append(QString::fromLatin1(method.name));
    declared.sort();
    QCOMPARE(registered, declared);

    for (const MethodDecl& method : contracts::rdm::methodTable()) {
        const QString name = QString::fromLatin1(method.name);
        const server::MethodEntry* entry = registry.find(name);
        QVERIFY2(entry && entry->handler, qPrintable(name));
        QList<ArgKind> kinds;
        for (const contracts::rdm::ArgDecl& arg : method.args)
            kinds.append(arg.kind);
        QVERIFY2(entry->args == kinds,
                 qPrintable(QStringLiteral("%1: kinds %2 registered, %3 in"
                                           " the table")
                                .arg(name, describe(entry->args), describe(kinds))));
        QVERIFY2(entry->byref == method.byRefPositions(), qPrintable(name));
        for (int position : entry->byref)
            QVERIFY2(position >= 0 && position < entry->args.size(), qPrintable(name));
    }
    // The running server serves that registry.
    for (const QString& name : declared)
        QVERIFY2(server_->app().registry().find(name), qPrintable(name));
}

void tst_ServerMethodTable::wrongKindIsRefusedWith400_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("error");
    for (const MethodDecl& method : contracts::rdm::methodTable()) {
        const QString name = QString::fromLatin1(method.name);
        for (int i = 0; i < method.args.size(); ++i) {
            if (method.args[i].kind == ArgKind::Variant)
                continue;
            QVariantList args = goodArguments(method);
            args[i] = wrongValue(method.args[i].kind);
            QTest::addRow("%s %s", method.name, method.args[i].name)
                << name << args
                << QStringLiteral("%1: o argumento %2 deve ser").arg(name).arg(i + 1);
        }
        QVariantList oneTooMany = goodArguments(method);
        oneTooMany.append(QStringLiteral("a mais"));
        QTest::addRow("%s one argument too many", method.name)
            << name << oneTooMany
            << QStringLiteral("%1 espera %2 argumento(s), recebeu %3.")
                   .arg(name)
                   .arg(method.args.size())
                   .arg(method.args.size() + 1);
    }
}

void tst_ServerMethodTable::wrongKindIsRefusedWith400() {
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(QString, error);
    const Answer answer = post(*server_, method, args);
    QCOMPARE(answer.status, 400);
    QVERIFY2(answer.error.startsWith(error), qPrintable(answer.error));
}

void tst_ServerMethodTable::wellKindedCallsReachTheirHandler_data() {
    QTest::addColumn<QString>("method");
    for (const MethodDecl& method : contracts::rdm::methodTable())
        QTest::newRow(method.name) << QString::fromLatin1(method.name);
}

// An empty database answers most of them with an error for the operator; what matters is
// that the kinds of the table pass the transport and no handler misreads an argument.
void tst_ServerMethodTable::wellKindedCallsReachTheirHandler() {
    QFETCH(QString, method);
    const Answer answer = post(*server_, method, goodArguments(tableMethod(method)));
    QVERIFY2(answer.status == 200,
             qPrintable(QStringLiteral("%1 %2").arg(answer.status).arg(answer.error)));
}

void tst_ServerMethodTable::argumentsAreReadByNameAndKind() {
    const MethodDecl& method = tableMethod(QString::fromLatin1(contracts::rdm::GerVisuaRestInto));
    QVariantList args{QStringLiteral("0001"),  QVariant(),           QDate(2026, 1, 5),
                      QStringLiteral("00010"), QStringLiteral("01"), QStringLiteral("02.01.001"),
                      QStringLiteral("P"),     QDate(2025, 12, 20)};
    server::CallContext context;
    server::MethodCall call(context, args, method);
    QCOMPARE(call.text("branch"), QStringLiteral("0001"));
    QCOMPARE(call.text("patient"), QString()); // null reads as empty text
    QCOMPARE(call.date("day"), QDate(2026, 1, 5));
    QCOMPARE(call.date("admission"), QDate(2025, 12, 20));
    call.setText("dishBranch", QStringLiteral("0001"));
    QCOMPARE(args[6], QVariant(QStringLiteral("0001")));

    QVERIFY_THROWS_EXCEPTION(std::logic_error, call.text("filial"));    // no such name
    QVERIFY_THROWS_EXCEPTION(std::logic_error, call.text("admission")); // a date, not a text
    QVERIFY_THROWS_EXCEPTION(std::logic_error, call.packet("branch"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, call.setText("branch", {})); // not by reference
    QCOMPARE(args[0], QVariant(QStringLiteral("0001")));
    QVERIFY_THROWS_EXCEPTION(std::logic_error, server::tableEntry("GetNothing", readsAMissingName));
}

void tst_ServerMethodTable::misreadArgumentIsAnInternalError() {
    test::TestServer server({.extraMethods = [](server::MethodRegistry& registry) {
        registry.add(server::tableEntry(contracts::rdm::GetDiagInter, readsAMissingName));
    }});
    QVERIFY2(server.ok(), qPrintable(server.error()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GetDiagInter failed"));
    const Answer answer = post(server, QStringLiteral("GetDiagInter"), {"0001"});
    QCOMPARE(answer.status, 500);
    QCOMPARE(answer.error, QStringLiteral("Erro interno do servidor de aplicação."));
}

QTEST_GUILESS_MAIN(tst_ServerMethodTable)
#include "tst_servermethodtable.moc"
