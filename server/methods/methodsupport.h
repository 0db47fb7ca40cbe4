#pragma once
// What every group of remote methods shares: checking codes, answering data packets built
// straight from query results, code lists matched as data, the "service or group" rule, and
// the frame of a call (errors for the operator, one transaction, authorisation and audit for
// writes).

#include "platform/datapacket.h"
#include "platform/packetstream.h"
#include "platform/sqldatabase.h"
#include "server/methodregistry.h"

#include <QDate>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <stdexcept>

namespace dieta::server {

// An error meant for the operator (Portuguese). Thrown anywhere inside a method; the call's
// frame answers it as an error result and rolls the transaction back.
class MethodError : public std::runtime_error {
public:
    explicit MethodError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// ---- Values ----

// A date, or the date of a date-time; invalid for anything else.
QDate dateValue(const QVariant& value);

// The code itself; MethodError when it has more than `width` characters.
QString checkedCode(const QString& code, int width, const QString& what);

// Text of a packet cell: null -> "", anything else its string form.
QString cellText(const DataPacket& packet, int row, QStringView field);
// Date of a packet cell (date or date-time); invalid when the cell holds neither.
QDate cellDate(const DataPacket& packet, int row, QStringView field);

// " FOR UPDATE" on PostgreSQL, "" on SQLite: the end of a SELECT whose rows a read-then-write
// is about to change. SQLite's writing transaction holds the whole database already.
QString rowLock(SqlEngine engine);

// ---- Code lists ("_001_014_" or "T") ----

struct CodeList {
    bool all = true;
    QStringList codes;

    bool contains(const QString& code) const { return all || codes.contains(code); }
};

// The most codes one list may hold: a whole large hospital's patients fit many times over.
inline constexpr int kMaxListCodes = 100000;

// "T", an empty text and null mean all. Anything else must be "_" + code + "_" ... with no
// empty code; MethodError "<what>: lista inválida." otherwise. Codes longer than `width`
// (when above 0) and lists of more than kMaxListCodes codes are refused. Repeated codes are
// kept once, in their first place. Linear in the length of the text.
CodeList parseCodeList(const QString& text, const QString& what, int width = 0);

// " AND <column> IN (:<prefix>0, ...)" with the codes bound in `values`; "" for all. An empty
// list of codes matches nothing. The codes never reach the SQL text.
QString inCondition(const QString& column, const QStringList& codes, const QString& prefix,
                    QVariantMap& values);
// The same for lists of any length: a long list travels as one value (a JSON array) that the
// database unpacks, so that neither the statement nor its binding grows with the list.
QString inCondition(const QString& column, const QStringList& codes, const QString& prefix,
                    QVariantMap& values, SqlEngine engine);

// ---- Service or group ----

// The services a code stands for in a branch: the service itself, or, when the code is no
// service of the branch but a service group, every service of the group in the branch.
// Empty when it is neither.
QStringList servicesOf(const QSqlDatabase& conn, const QString& branch, const QString& code);

// ---- Packets from queries ----

FieldDef textField(const QString& name, int size, bool hidden = false);
FieldDef dateTimeField(const QString& name, bool hidden = false);
FieldDef dateField(const QString& name, bool hidden = false);
FieldDef floatField(const QString& name, bool hidden = false);

// A value as the database hands it back (SQLite: text dates, PostgreSQL: QDate/QDateTime;
// integers for numbers) in the packet's memory form for the field's kind.
QVariant cellFromSql(const QVariant& value, FieldKind kind);

// The rows of an executed query, column i into field i; texts cut to their field's size.
DataPacket packetFromQuery(QSqlQuery& query, QList<FieldDef> fields);

// The same packet as packetFromQuery's, written straight into its wire bytes: no QVariant rows
// in between, and the fields' part encoded once, when the writer is made. For small answers
// asked for many times a second; keep one writer per field list (a static) and share it.
class QueryPacketWriter {
public:
    explicit QueryPacketWriter(QList<FieldDef> fields);
    EncodedPacket write(QSqlQuery& query) const;

private:
    QList<FieldDef> fields_;
    QByteArray head_; // {"fields":[...],"rows":[
};

// ---- Call frames ----

// A reading method's body: runs on this thread's connection. MethodError becomes an error
// result; a database failure a generic one (the driver's text goes to the log only). A
// std::logic_error, a fault of the handler itself, passes on to the transport.
CallResult runRead(CallContext& context, const std::function<CallResult(QSqlDatabase&)>& body);

// The read a committed write answers with (the new list). The write is done whatever happens
// here, and a plain failure would invite the operator to make it again: a database that fails
// gets a few seconds to come back, and a read that still fails answers kWriteDoneText.
CallResult readAfterCommit(CallContext& context,
                           const std::function<CallResult(QSqlDatabase&)>& body);

// The start of the answer of a committed write whose answer could not be read.
inline constexpr char16_t kWriteDoneText[] = u"A gravação foi concluída, mas";
// The answer of a write whose commit could not be confirmed either way.
inline constexpr char16_t kWriteInDoubtText[] =
    u"Não foi possível confirmar se a gravação foi concluída. Confira os dados antes de "
    u"repetir a operação.";

// What a writing method tells the audit about itself.
struct AuditNote {
    QStringList patients;
    QJsonObject changes;
};

struct WriteScope {
    QSqlDatabase conn;
    SqlEngine engine = SqlEngine::SQLite;
    QString operatorCode;
    AuditNote audit;
};

// A writing method's body, in one transaction: the operator must be a nutritionist of every
// branch given (else the refusal of authorization.h), the
// body runs, and a successful result is recorded in the audit table and committed. A failed
// result or any exception rolls everything back. A connection lost during the COMMIT is
// settled by looking for the write's audit row: found, the call succeeded; absent, it failed;
// unreachable for a few seconds, kWriteInDoubtText.
CallResult runWrite(CallContext& context, const QString& operatorCode, const QStringList& branches,
                    const std::function<CallResult(WriteScope&)>& body);

// The same frame for methods whose failures are answered as a plain text result (DelServ):
// the text is the result, "" on success.
CallResult runWriteAnsweringText(CallContext& context, const QString& operatorCode,
                                 const QStringList& branches,
                                 const std::function<QString(WriteScope&)>& body);

} // namespace dieta::server
