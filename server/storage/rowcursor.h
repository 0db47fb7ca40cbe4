#pragma once
// The rows of one SELECT read as raw cells, for answers of thousands of rows that go straight
// into a packet. SQLite is read through its C API (QtSql wraps every cell in a QVariant and reads
// a table several times slower); PostgreSQL through QtSql, as a statement kept prepared on the
// connection.
//
// Placeholders are :NAME, bound by name (case-insensitive) as execSql binds them.

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTime>
#include <QVariantMap>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dieta {
class PacketStream;
class SqlStatement;
} // namespace dieta

namespace dieta::server {

class RowCursor {
public:
    // Runs the statement; throws SqlError with the driver's text.
    RowCursor(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values);
    ~RowCursor();
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;

    bool next();
    bool isNull(int column);
    // The cell as UTF-8 text; valid until the next call of next().
    QByteArrayView utf8(int column);
    // A date or date-time cell in its parts (midnight for a bare date); false when null or not
    // a date.
    bool dateTime(int column, QDate* date, QTime* time);
    // The day of a date or date-time cell; invalid when null or not a date.
    QDate date(int column);

    // The cell as a packet's text cell (null stays null), without a detour through QString
    // where the engine hands UTF-8.
    void appendText(PacketStream& out, int column);
    // The cell as a packet's date-time cell; null when null or not a date.
    void appendDateTime(PacketStream& out, int column);

private:
    void bindAll(sqlite3* db, const QString& sql, const QVariantMap& values);

    sqlite3_stmt* stmt_ = nullptr;
    std::weak_ptr<void> pool_; // where stmt_ goes back when done; gone with the connection
    std::unique_ptr<SqlStatement> statement_; // QtSql: kept prepared on the connection
    QSqlQuery* query_ = nullptr;              // statement_'s
    std::vector<QByteArray> texts_;           // QtSql cells converted for utf8(), one per column
    QByteArray scratch_;                      // a SQLite real number converted for utf8()
};

} // namespace dieta::server
