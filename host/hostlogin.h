#pragma once
// The host's login at start: the operator proves who they are with a password before any
// module opens. The password comes from the environment (DIETA_SENHA, read once and removed,
// for the demo's one-step start) or from the login dialog. The session then serves every
// connection of the process (TNetConnection::setProcessSession).

#include "host/hostsettings.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;

namespace dieta {
class TNetConnection;
}

namespace dieta::host {

inline constexpr const char* kPasswordVariable = "DIETA_SENHA";

// Operator and password, asked in Portuguese; shows the server's refusal and asks again.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(const QString& operatorCode, QWidget* parent = nullptr);

    QString operatorCode() const;
    QString password() const;
    void showRefusal(const QString& text);

private:
    QLineEdit* operator_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLabel* refusal_ = nullptr;
};

// The password the environment gives, removed from it so that no child process inherits it.
QString takePasswordFromEnvironment();

// Logs in to the settings' server: with the given password when there is one (a refusal is
// then final), else through the dialog until it succeeds or the operator gives up. Returns
// the connection that holds the session (its operator is the one logged in) or nullopt with
// the reason in *error.
std::unique_ptr<TNetConnection> logIn(const HostSettings& settings, const QString& password,
                                      QString* error);

// logIn, then the session becomes the process's and its operator the settings' operator.
std::unique_ptr<TNetConnection> openSession(HostSettings& settings, const QString& password,
                                            QString* error);

} // namespace dieta::host
