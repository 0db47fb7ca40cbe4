#pragma once
// A table model over a TDataSource: one row per visible record (a record being inserted
// included), columns by field name. Display text goes through TField::DisplayText, the edit
// role gives the raw value; setData writes the field (putting the dataset in edit) and never
// posts. Silent while the dataset's controls are disabled. Grids add drawing and lookups.

#include "platform/platform_export.h"
#include "platform/tdatasource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <exception>
#include <functional>

namespace dieta {

class PLATFORM_EXPORT DataSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Errors of setData (a refused value, an aborted scroll) cannot cross Qt's code: they go
    // here, or are dropped when unset.
    using ErrorHandler = std::function<void(std::exception_ptr error)>;

    explicit DataSetModel(QObject* parent = nullptr);

    TDataSource* DataSource() const { return m_source; }
    void SetDataSource(TDataSource* source);
    QStringList FieldNames() const { return m_fieldNames; }
    // Empty: every visible field. Names not in the dataset give no column.
    void SetFieldNames(const QStringList& names);
    TField* FieldAt(int column) const;
    int ColumnOf(QStringView fieldName) const; // -1 when absent
    ErrorHandler OnError;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    TClientDataSet* dataSet() const;
    bool showsData() const;
    void rebuild();
    void onRecordChanged(int row);
    void onStateChanged();

    QPointer<TDataSource> m_source;
    QStringList m_fieldNames;
    QList<TField*> m_columns;
    quint64 m_fieldsGeneration = 0; // of the dataset when m_columns was taken
    int m_rows = 0;
};

} // namespace dieta
