#pragma once
// Server-side authorisation of writes: only a nutritionist of the branch (table NUTRICIO) may
// change the branch's diet records, whatever the client checked before calling.

#include <QSqlDatabase>
#include <QString>

namespace dieta::server {

// Whether the operator is registered as a nutritionist of the branch. Codes are compared
// exactly as stored; an empty operator or branch is never a nutritionist.
bool isNutritionist(QSqlDatabase& conn, const QString& operatorCode, const QString& branch);

// The text a refused write answers with: empty when the operator may write in the branch,
// else a Portuguese sentence for the operator.
QString nutritionistRefusal(QSqlDatabase& conn, const QString& operatorCode, const QString& branch);

// The refusal texts, for callers and tests that compare them.
QString notNutritionistMessage(); // "Operador não está cadastrado como nutricionista."
QString missingOperatorMessage(); // "Operador não informado."

} // namespace dieta::server
