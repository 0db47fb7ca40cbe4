#include "tests/screen/screenfixture.h"

#include "framework/vantor.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace dieta::test {

namespace {

TestServerOptions serverOptions() {
    TestServerOptions options;
    server::DemoOptions demo;
    demo.inpatients = 40;
    demo.today = ScreenFixture::today();
    options.demo = demo;
    return options;
}

} // namespace

const QDate& ScreenFixture::today() {
    static const QDate day = QDate::currentDate();
    return day;
}

ScreenFixture::ScreenFixture() : server_(serverOptions()) {
    if (!server_.ok())
        return;
    dialogScope_ = std::make_unique<ScopedDialogService>(dialogs_);
    generalScope_ = std::make_unique<ScopedGeneralDatabase>(&server_.database());

    main_ = std::make_unique<QMainWindow>();
    main_->setObjectName("frmPrincipal");
    mdi_ = new QMdiArea(main_.get());
    main_->setCentralWidget(mdi_);
    cdsFiltro_ = new TClientDataSet(main_.get());
    cdsFiltro_->setObjectName("cdsFiltro");
    main_->resize(1000, 700);
    main_->show();
    main_->activateWindow();
    if (!QTest::qWaitForWindowActive(main_.get()))
        qWarning("the host's main window did not become active");

    HostValues values;
    values.operador = QStringLiteral("NUTRI01");
    values.filiProc = QStringLiteral("0001");
    values.nomeFiliProc = QStringLiteral("Hospital Central");
    values.webUrl = QStringLiteral("127.0.0.1");
    values.webPort = server_.port();
    values.codeMasks.insert(1, QStringLiteral("99.99.999"));
    values.fileDirectory = hostDir_.path();
    Vantor::setHost(values);
    // As the host after its login.
    TNetConnection::setProcessSession(server_.connection().SessionToken());
}

ScreenFixture::~ScreenFixture() {
    if (Cli_zfa13000::frmContAlimentar)
        closeScreen();
    main_.reset();
    TNetConnection::setProcessSession(QString());
}

Cli_zfa13000::TfrmContAlimentar* ScreenFixture::openScreen() {
    Cli_zfa13000::CriaContAlim();
    auto* form = Cli_zfa13000::frmContAlimentar;
    if (!form)
        return nullptr;
    main_->activateWindow();
    if (!QTest::qWaitForWindowActive(main_.get()))
        return nullptr;
    // The first activation is delivered queued, after the window shows.
    if (!QTest::qWaitFor([] { return !Cli_zfa13000::boPriVez; }, 5000))
        return nullptr;
    return form;
}

void ScreenFixture::closeScreen() {
    QPointer<Cli_zfa13000::TfrmContAlimentar> form = Cli_zfa13000::frmContAlimentar;
    if (!form)
        return;
    form->Close();
    if (!QTest::qWaitFor([&form] { return form.isNull(); }, 5000))
        qWarning("the oral diet control screen did not close");
}

void ScreenFixture::leavePanel() {
    auto* form = Cli_zfa13000::frmContAlimentar;
    form->dbgPadrao->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

void ScreenFixture::enterPanel(QWidget* control) {
    control->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

void ScreenFixture::setOperator(const QString& code) {
    HostValues values = Vantor::host();
    values.operador = code;
    Vantor::setHost(values);
    // Another operator at the host is another login.
    TNetConnection::setProcessSession(server_.sessionOf(code));
}

void ScreenFixture::exec(const QString& sql, const QVariantList& values) {
    QSqlQuery query(server_.database().connection());
    QVERIFY2(query.prepare(sql), qPrintable(query.lastError().text()));
    for (const QVariant& v : values)
        query.addBindValue(v);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

} // namespace dieta::test
