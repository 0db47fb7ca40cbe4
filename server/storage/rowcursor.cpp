#include "server/storage/rowcursor.h"

#include "platform/packetstream.h"
#include "platform/sqldatabase.h"
#include "platform/wiredate.h"

#include <QSqlDriver>
#include <QSqlRecord>
#include <algorithm>
#include <sqlite3.h>

namespace dieta::server {

namespace {

sqlite3* sqliteOf(const QSqlDatabase& conn) {
    const QVariant handle = conn.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void fail(sqlite3* db, const QString& sql) {
    throw SqlError(QStringLiteral("%1 (%2)")
                       .arg(QString::fromUtf8(sqlite3_errmsg(db)), sql.simplified().left(200))
                       .toStdString());
}

// The value as QtSql's SQLite driver binds it, so that comparisons with stored text match.
int bindSqlite(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    case QMetaType::QDateTime: {
        const QString text = value.toDateTime().toString(Qt::ISODateWithMs);
        return sqlite3_bind_text16(stmt, index, text.utf16(), int(text.size() * 2),
                                   SQLITE_TRANSIENT);
    }
    default: {
        const QString text = value.toString();
        return sqlite3_bind_text16(stmt, index, text.utf16(), int(text.size() * 2),
                                   SQLITE_TRANSIENT);
    }
    }
}

QByteArrayView leading(QByteArrayView bytes, qsizetype count) {
    return bytes.first(std::min(count, bytes.size()));
}

bool splitDateTime(const QVariant& value, QDate* date, QTime* time) {
    if (value.isNull())
        return false;
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime dateTime = value.toDateTime();
        *date = dateTime.date();
        *time = dateTime.time();
        return date->isValid();
    }
    if (value.typeId() == QMetaType::QDate) {
        *date = value.toDate();
        *time = QTime(0, 0);
        return date->isValid();
    }
    return splitIsoDateTime(QStringView(value.toString()).left(19), date, time);
}

// Statements of one text prepared on one SQLite connection and idle, finalized with the
// connection (kept with it), so a text run on every call is parsed and planned once.
struct SqliteStatementPool {
    std::vector<sqlite3_stmt*> idle;
    ~SqliteStatementPool() {
        for (sqlite3_stmt* stmt : idle)
            sqlite3_finalize(stmt);
    }
};
constexpr size_t maxIdlePerText = 4;

std::shared_ptr<SqliteStatementPool> poolFor(const QSqlDatabase& conn, const QString& sql) {
    const QString key = QStringLiteral("RowCursor:") + sql;
    auto pool = std::static_pointer_cast<SqliteStatementPool>(keptWithConnection(conn, key));
    if (!pool) {
        pool = std::make_shared<SqliteStatementPool>();
        if (!keepWithConnection(conn, key, pool))
            return nullptr; // not this thread's connection: prepared afresh each time
    }
    return pool;
}

} // namespace

RowCursor::RowCursor(const QSqlDatabase& conn, const QString& sql, const QVariantMap& values) {
    sqlite3* db = sqliteOf(conn);
    if (!db) {
        statement_ = std::make_unique<SqlStatement>(conn, sql, values);
        query_ = &statement_->query();
        // Sized once: the views utf8() hands out stay valid until next().
        texts_.resize(size_t(query_->record().count()));
        return;
    }
    const std::shared_ptr<SqliteStatementPool> pool = poolFor(conn, sql);
    pool_ = pool;
    if (pool && !pool->idle.empty()) {
        stmt_ = pool->idle.back();
        pool->idle.pop_back();
    } else {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt_, nullptr) !=
            SQLITE_OK)
            fail(db, sql);
    }
    try {
        bindAll(db, sql, values);
    } catch (...) {
        sqlite3_finalize(stmt_); // the destructor does not run for a throwing constructor
        throw;
    }
}

void RowCursor::bindAll(sqlite3* db, const QString& sql, const QVariantMap& values) {
    QVariantMap upper;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        upper.insert(it.key().toUpper(), it.value());
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt_); ++i) {
        const QString name = QString::fromUtf8(sqlite3_bind_parameter_name(stmt_, i)).mid(1);
        const auto it = upper.constFind(name.toUpper());
        if (it == upper.constEnd())
            throw SqlError(("placeholders without a value: :" + name).toStdString());
        if (bindSqlite(stmt_, i, it.value()) != SQLITE_OK)
            fail(db, sql);
    }
}

// Reset before going back: a statement left mid-rows would hold SQLite's read snapshot.
RowCursor::~RowCursor() {
    if (!stmt_)
        return;
    const std::shared_ptr<SqliteStatementPool> pool =
        std::static_pointer_cast<SqliteStatementPool>(pool_.lock());
    if (pool && pool->idle.size() < maxIdlePerText && sqlite3_reset(stmt_) == SQLITE_OK &&
        sqlite3_clear_bindings(stmt_) == SQLITE_OK) {
        pool->idle.push_back(stmt_);
        return;
    }
    sqlite3_finalize(stmt_);
}

bool RowCursor::next() {
    if (!stmt_)
        return query_->next();
    const int step = sqlite3_step(stmt_);
    if (step == SQLITE_ROW)
        return true;
    if (step != SQLITE_DONE)
        throw SqlError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(stmt_))).toStdString());
    return false;
}

bool RowCursor::isNull(int column) {
    if (!stmt_)
        return query_->isNull(column);
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QByteArrayView RowCursor::utf8(int column) {
    if (stmt_ && sqlite3_column_type(stmt_, column) != SQLITE_FLOAT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return QByteArrayView(text, sqlite3_column_bytes(stmt_, column));
    }
    // A real number reads as QtSql writes it ("1", not "1.0").
    const QVariant value =
        stmt_ ? QVariant(sqlite3_column_double(stmt_, column)) : query_->value(column);
    if (!stmt_) {
        texts_.at(size_t(column)) = value.toString().toUtf8();
        return texts_.at(size_t(column));
    }
    scratch_ = value.toString().toUtf8();
    return scratch_;
}

bool RowCursor::dateTime(int column, QDate* date, QTime* time) {
    if (!stmt_)
        return splitDateTime(query_->value(column), date, time);
    if (sqlite3_column_type(stmt_, column) != SQLITE_TEXT)
        return false;
    const QByteArrayView text = utf8(column);
    return splitIsoDateTime(QString::fromLatin1(leading(text, 19)), date, time);
}

void RowCursor::appendText(PacketStream& out, int column) {
    if (isNull(column))
        out.null();
    else if (stmt_)
        out.utf8(utf8(column));
    else
        out.text(query_->value(column).toString());
}

void RowCursor::appendDateTime(PacketStream& out, int column) {
    QDate day;
    QTime time;
    if (dateTime(column, &day, &time))
        out.dateTime(day, time);
    else
        out.null();
}

QDate RowCursor::date(int column) {
    if (!stmt_) {
        QDate day;
        QTime time;
        const QVariant value = query_->value(column);
        if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
            return splitDateTime(value, &day, &time) ? day : QDate();
        return parseIsoDate(QStringView(value.toString()).left(10));
    }
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return QDate();
    return parseIsoDate(QString::fromUtf8(leading(utf8(column), 10)));
}

} // namespace dieta::server
