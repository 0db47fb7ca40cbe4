#pragma once
// A read-only lookup query in four SQL dialects, run on the host's general database
// (TdtmDBGeral) or on a database given to it. It is a dataset: Open runs the text and loads
// every row read, so that data sources, grids and pick lists show it like any client
// dataset (FieldByName, First, Next, Eof, Locate, AfterScroll...).
//
// Dialects: SQLite and PostgreSQL run the Oracle text (SQL_ORACLE, or SQL when that is
// empty): some generic texts use PARAM(...) and NVLSTR, which only the InterBase dialect
// knows, while NVL exists on both of our engines.
//
// Parameters are the :NAME placeholders of the chosen text. A parameter that is cleared,
// never set, or set to an empty text binds NULL, never '': the lookup texts rely on
// NVL(:P_X, column) to mean "all" when P_X is empty, and '' is a value on both engines.
//
// Fields defined in code (AddField, before Open) take the columns of the same name, case
// aside, converted to the field's kind; without them every column becomes a field (numbers
// as float, PostgreSQL's folded names in upper case).
//
// Open, SetActive and Refresh run the SQL only when called on a TADOIBQuery: the dataset's
// own Open is not virtual.

#include "platform/tclientdataset.h"

#include <QStringList>
#include <QVariant>
#include <map>
#include <memory>

namespace dieta {

class SqlDatabase;

enum class SqlDialect { Generic, Oracle, SqlServer, InterBase };

class PLATFORM_EXPORT TParam {
public:
    explicit TParam(QString name) : m_name(std::move(name)) {}

    const QString& Name() const { return m_name; }
    QVariant Value() const { return m_value; }
    // An empty QString is stored as null.
    void SetValue(const QVariant& value);
    QString AsString() const { return m_value.toString(); }
    void SetAsString(const QString& text);
    void Clear() { m_value = QVariant(); }
    bool IsNull() const { return m_value.isNull(); }

private:
    QString m_name;
    QVariant m_value;
};

class PLATFORM_EXPORT TADOIBQuery : public TClientDataSet {
    Q_OBJECT

public:
    explicit TADOIBQuery(QObject* parent = nullptr);
    ~TADOIBQuery() override;

    // The four texts, one line per element.
    QStringList SQL;
    QStringList SQL_ORACLE;
    QStringList SQL_MSSQL;
    QStringList SQL_IB;

    // The database to run on; the general one (TdtmDBGeral) while none is set.
    void SetDatabase(SqlDatabase* database) { m_database = database; }
    SqlDatabase* Database() const;
    // The dialect whose text runs: by default the one our engines understand (Oracle); the
    // others can be chosen to inspect their texts.
    SqlDialect Dialect() const { return m_dialect; }
    void SetDialect(SqlDialect dialect) { m_dialect = dialect; }
    // The chosen dialect's text, or the generic one where that dialect has none.
    QString ActiveSQL() const;

    // EDatabaseError when the chosen text has no such placeholder (names compare
    // case-insensitively).
    TParam* ParamByName(const QString& name);
    QStringList ParamNames() const;

    // Runs the chosen text with the parameters and loads the rows. Throws SqlError (with the
    // driver's text) when the statement fails, EDatabaseError when there is no database, a
    // field defined in code is not among the columns or a value does not fit its field; the
    // query then stays closed. Opening an open query does nothing.
    void Open();
    void SetActive(bool active);
    void Refresh(); // closes and runs the text again

private:
    DataPacket readPacket(class SqlStatement& statement);
    void syncParams() const;

    SqlDatabase* m_database = nullptr;
    SqlDialect m_dialect = SqlDialect::Oracle;
    mutable std::map<QString, std::unique_ptr<TParam>> m_params; // by upper-case name
    mutable QString m_paramsText;
    mutable bool m_paramsSynced = false;
    QStringList m_inferredFields; // fields the last Open made from columns, not from code
};

} // namespace dieta
