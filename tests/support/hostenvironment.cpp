#include "tests/support/hostenvironment.h"

#include "tests/support/sqlprobes.h"

namespace dieta::test {

namespace {

TestServerOptions demoHospital(int inpatients) {
    server::DemoOptions demo;
    demo.inpatients = inpatients;
    demo.today = HostEnvironment::today();
    TestServerOptions options;
    options.demo = demo;
    return options;
}

} // namespace

const QDate& HostEnvironment::today() {
    static const QDate day = QDate::currentDate();
    return day;
}

HostEnvironment::HostEnvironment(int inpatients)
    : server_(demoHospital(inpatients)), previous_(Vantor::host()),
      previousSession_(TNetConnection::processSession()) {
    if (!server_.ok())
        return;
    dialogScope_ = std::make_unique<ScopedDialogService>(dialogs_);
    generalScope_ = std::make_unique<ScopedGeneralDatabase>(&server_.database());

    // As the host fills them from its settings and the branch table.
    HostValues values;
    values.operador = QStringLiteral("NUTRI01");
    values.filiProc = QStringLiteral("0001");
    values.nomeFiliProc =
        columnOf(server_.database(),
                 QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = :B"),
                 {{QStringLiteral("B"), values.filiProc}})
            .value(0);
    values.webUrl = QStringLiteral("127.0.0.1");
    values.webPort = server_.port();
    values.codeMasks.insert(1, QStringLiteral("99.99.999"));
    Vantor::setHost(values);
    // As the host after its login: the module's connections carry the host's session.
    TNetConnection::setProcessSession(server_.connection().SessionToken());
}

HostEnvironment::~HostEnvironment() {
    Vantor::setHost(previous_);
    TNetConnection::setProcessSession(previousSession_);
}

} // namespace dieta::test
