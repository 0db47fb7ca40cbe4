#include "host/hostlogin.h"

#include "platform/tnetconnection.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dieta::host {

LoginDialog::LoginDialog(const QString& operatorCode, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("Entrada no sistema"));
    operator_ = new QLineEdit(operatorCode, this);
    operator_->setObjectName(QStringLiteral("edtOperador"));
    operator_->setMaxLength(12);
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("edtSenha"));
    password_->setEchoMode(QLineEdit::Password);
    refusal_ = new QLabel(this);
    refusal_->setObjectName(QStringLiteral("lblRecusa"));
    refusal_->setStyleSheet(QStringLiteral("color: #b00020"));
    refusal_->setWordWrap(true);
    refusal_->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Entrar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Operador:"), operator_);
    form->addRow(QStringLiteral("Senha:"), password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    (operatorCode.isEmpty() ? operator_ : password_)->setFocus();
}

QString LoginDialog::operatorCode() const {
    return operator_->text().trimmed();
}

QString LoginDialog::password() const {
    return password_->text();
}

void LoginDialog::showRefusal(const QString& text) {
    refusal_->setText(text);
    refusal_->show();
    password_->clear();
    password_->setFocus();
}

QString takePasswordFromEnvironment() {
    const QString password = qEnvironmentVariable(kPasswordVariable);
    qunsetenv(kPasswordVariable);
    return password;
}

namespace {

std::unique_ptr<TNetConnection> connectionTo(const HostSettings& settings) {
    auto connection = std::make_unique<TNetConnection>();
    connection->setHost(settings.serverHost);
    connection->setPort(settings.serverPort);
    return connection;
}

} // namespace

std::unique_ptr<TNetConnection> logIn(const HostSettings& settings, const QString& password,
                                      QString* error) {
    std::unique_ptr<TNetConnection> connection = connectionTo(settings);
    if (!password.isEmpty()) {
        if (connection->login(settings.operatorCode, password, error))
            return connection;
        return nullptr;
    }
    LoginDialog dialog(settings.operatorCode);
    while (dialog.exec() == QDialog::Accepted) {
        QString refusal;
        if (connection->login(dialog.operatorCode(), dialog.password(), &refusal))
            return connection;
        dialog.showRefusal(refusal);
    }
    if (error)
        *error = QStringLiteral("Entrada cancelada.");
    return nullptr;
}

std::unique_ptr<TNetConnection> openSession(HostSettings& settings, const QString& password,
                                            QString* error) {
    std::unique_ptr<TNetConnection> session = logIn(settings, password, error);
    if (session) {
        TNetConnection::setProcessSession(session->SessionToken());
        settings.operatorCode = session->Operator();
    }
    return session;
}

} // namespace dieta::host
