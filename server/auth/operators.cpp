#include "server/auth/operators.h"

#include "platform/sqldatabase.h"
#include "server/auth/sessions.h"

namespace dieta::server::auth {

namespace {

constexpr int codeWidth = 12;

QString checkedCode(const QString& code) {
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > codeWidth)
        throw AdminError(
            QStringLiteral("Código de operador deve ter de 1 a %1 caracteres.").arg(codeWidth));
    return trimmed;
}

void requireOperator(const QSqlDatabase& conn, const QString& code) {
    if (!findOperator(conn, code))
        throw AdminError(QStringLiteral("Operador %1 não cadastrado.").arg(code));
}

} // namespace

std::optional<OperatorAccount> findOperator(const QSqlDatabase& conn, const QString& code) {
    SqlStatement query(conn, QStringLiteral("SELECT CDOPERADOR, NMOPERADOR, DSSENHA, IDATIVO"
                                            " FROM OPERADOR WHERE CDOPERADOR = :CODE"));
    query.bind(QStringLiteral("CODE"), code).exec();
    if (!query.next())
        return std::nullopt;
    return OperatorAccount{query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toString(), query.value(3).toString() != u"N"};
}

void addOperator(SqlDatabase& db, const QString& code, const QString& name) {
    const QString checked = checkedCode(code);
    const QString trimmedName = name.trimmed();
    if (trimmedName.isEmpty() || trimmedName.size() > 80)
        throw AdminError(QStringLiteral("Nome do operador deve ter de 1 a 80 caracteres."));
    WriteTransaction transaction(db);
    if (findOperator(transaction.connection(), checked))
        throw AdminError(QStringLiteral("Operador %1 já cadastrado.").arg(checked));
    execSql(transaction.connection(),
            QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, IDATIVO)"
                           " VALUES (:CODE, :NAME, 'S')"),
            {{QStringLiteral("CODE"), checked}, {QStringLiteral("NAME"), trimmedName}});
    transaction.commit();
}

void setPassword(SqlDatabase& db, const QString& code, const QString& password, PasswordCost cost) {
    const QString checked = checkedCode(code);
    if (password.size() < minPasswordLength)
        throw AdminError(
            QStringLiteral("A senha deve ter ao menos %1 caracteres.").arg(minPasswordLength));
    const QString hash = hashPassword(password, cost); // slow: outside the transaction
    WriteTransaction transaction(db);
    requireOperator(transaction.connection(), checked);
    execSql(transaction.connection(),
            QStringLiteral("UPDATE OPERADOR SET DSSENHA = :HASH WHERE CDOPERADOR = :CODE"),
            {{QStringLiteral("HASH"), hash}, {QStringLiteral("CODE"), checked}});
    transaction.commit();
}

void setNutritionist(SqlDatabase& db, const QString& code, const QString& branch) {
    const QString checked = checkedCode(code);
    WriteTransaction transaction(db);
    const QSqlDatabase conn = transaction.connection();
    const std::optional<OperatorAccount> account = findOperator(conn, checked);
    if (!account)
        throw AdminError(QStringLiteral("Operador %1 não cadastrado.").arg(checked));
    QSqlQuery branchRow = execSql(conn, QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = :B"),
                                  {{QStringLiteral("B"), branch.trimmed()}});
    if (!branchRow.next())
        throw AdminError(QStringLiteral("Filial %1 não cadastrada.").arg(branch.trimmed()));
    QSqlQuery existing = execSql(
        conn, QStringLiteral("SELECT 1 FROM NUTRICIO WHERE CDNUTRICIO = :C AND CDFILIAL = :B"),
        {{QStringLiteral("C"), checked}, {QStringLiteral("B"), branch.trimmed()}});
    if (!existing.next())
        execSql(conn,
                QStringLiteral("INSERT INTO NUTRICIO (CDNUTRICIO, CDFILIAL, NMNUTRICIO)"
                               " VALUES (:C, :B, :N)"),
                {{QStringLiteral("C"), checked},
                 {QStringLiteral("B"), branch.trimmed()},
                 {QStringLiteral("N"), account->name}});
    transaction.commit();
}

void disableOperator(SqlDatabase& db, const QString& code) {
    const QString checked = checkedCode(code);
    WriteTransaction transaction(db);
    requireOperator(transaction.connection(), checked);
    execSql(transaction.connection(),
            QStringLiteral("UPDATE OPERADOR SET IDATIVO = 'N' WHERE CDOPERADOR = :CODE"),
            {{QStringLiteral("CODE"), checked}});
    deleteOperatorSessions(transaction.connection(), checked);
    transaction.commit();
}

QStringList operatorCodes(SqlDatabase& db) {
    QSqlQuery query = execSql(
        db.connection(), QStringLiteral("SELECT CDOPERADOR FROM OPERADOR ORDER BY CDOPERADOR"));
    QStringList codes;
    while (query.next())
        codes.append(query.value(0).toString());
    return codes;
}

} // namespace dieta::server::auth
