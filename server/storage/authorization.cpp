#include "server/storage/authorization.h"

#include "platform/sqldatabase.h"

namespace dieta::server {

bool isNutritionist(QSqlDatabase& conn, const QString& operatorCode, const QString& branch) {
    if (operatorCode.isEmpty() || branch.isEmpty())
        return false;
    SqlStatement query(conn,
                       QStringLiteral("SELECT 1 FROM NUTRICIO"
                                      " WHERE CDNUTRICIO = :OPERATOR AND CDFILIAL = :BRANCH"));
    query.bind(QStringLiteral("OPERATOR"), operatorCode).bind(QStringLiteral("BRANCH"), branch);
    query.exec();
    return query.next();
}

QString nutritionistRefusal(QSqlDatabase& conn, const QString& operatorCode,
                            const QString& branch) {
    if (operatorCode.trimmed().isEmpty())
        return missingOperatorMessage();
    return isNutritionist(conn, operatorCode, branch) ? QString() : notNutritionistMessage();
}

QString notNutritionistMessage() {
    return QStringLiteral("Operador não está cadastrado como nutricionista.");
}

QString missingOperatorMessage() {
    return QStringLiteral("Operador não informado.");
}

} // namespace dieta::server
