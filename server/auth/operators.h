#pragma once
// The operators who may log in, and their administration: add, set a password, register as
// nutritionist of a branch, disable. Used by the login and by the administration command.

#include "server/auth/passwords.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace dieta {
class SqlDatabase;
}

namespace dieta::server::auth {

struct OperatorAccount {
    QString code;
    QString name;
    QString passwordHash; // empty: no password set, no login
    bool active = true;
};

// A request the administration refuses; what() is a Portuguese sentence in UTF-8.
class AdminError : public std::runtime_error {
public:
    explicit AdminError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

inline constexpr int minPasswordLength = 8;

std::optional<OperatorAccount> findOperator(const QSqlDatabase& conn, const QString& code);

// Each runs in a transaction of its own; AdminError on a bad request, SqlError when the
// database fails.
void addOperator(SqlDatabase& db, const QString& code, const QString& name);
void setPassword(SqlDatabase& db, const QString& code, const QString& password,
                 PasswordCost cost = PasswordCost::Standard);
void setNutritionist(SqlDatabase& db, const QString& code, const QString& branch);
// A disabled operator cannot log in, and its open sessions end at once.
void disableOperator(SqlDatabase& db, const QString& code);
QStringList operatorCodes(SqlDatabase& db);

} // namespace dieta::server::auth
