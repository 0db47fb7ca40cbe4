#include "platform/datasetmodel.h"

#include "platform/eabort.h"

namespace dieta {

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataSetModel::SetDataSource(TDataSource* source) {
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &TDataSource::dataSetChanged, this, &DataSetModel::rebuild);
        connect(source, &TDataSource::stateChanged, this, &DataSetModel::onStateChanged);
        connect(source, &TDataSource::recordChanged, this, &DataSetModel::onRecordChanged);
        connect(source, &QObject::destroyed, this, &DataSetModel::rebuild);
    }
    rebuild();
}

void DataSetModel::SetFieldNames(const QStringList& names) {
    m_fieldNames = names;
    rebuild();
}

TClientDataSet* DataSetModel::dataSet() const {
    return m_source ? m_source->DataSet() : nullptr;
}

bool DataSetModel::showsData() const {
    return m_source && m_source->State() != dsInactive && dataSet();
}

// Columns hold field pointers only between two resets: a reset follows every change of fields.
void DataSetModel::rebuild() {
    beginResetModel();
    m_columns.clear();
    m_rows = 0;
    if (TClientDataSet* ds = dataSet()) {
        m_fieldsGeneration = ds->FieldsGeneration();
        if (m_fieldNames.isEmpty()) {
            for (TField* field : ds->FieldList())
                if (field->Visible())
                    m_columns.append(field);
        } else {
            for (const QString& name : m_fieldNames)
                if (TField* field = ds->FindField(name))
                    m_columns.append(field);
        }
        if (showsData())
            m_rows = ds->ViewCount();
    }
    endResetModel();
}

// Browse to edit and back keeps the rows: no reset, so an open editor survives.
void DataSetModel::onStateChanged() {
    TClientDataSet* ds = dataSet();
    const int rows = showsData() ? ds->ViewCount() : 0;
    if (rows != m_rows || (m_rows == 0 && m_columns.isEmpty() && ds))
        rebuild();
}

void DataSetModel::onRecordChanged(int row) {
    TClientDataSet* ds = dataSet();
    if (!ds || row < 0 || row >= m_rows || m_rows != ds->ViewCount() || m_columns.isEmpty()) {
        rebuild();
        return;
    }
    if (ds->FieldsGeneration() != m_fieldsGeneration) {
        rebuild();
        return;
    }
    emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

// While the dataset's controls are disabled no reset comes, but its fields may have been
// replaced: then the columns' pointers are not used until the reset.
TField* DataSetModel::FieldAt(int column) const {
    const TClientDataSet* ds = dataSet();
    if (!ds || ds->FieldsGeneration() != m_fieldsGeneration)
        return nullptr;
    return column >= 0 && column < m_columns.size() ? m_columns[column] : nullptr;
}

int DataSetModel::ColumnOf(QStringView fieldName) const {
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const TField* field = FieldAt(int(i));
        if (field && QStringView(field->FieldName()).compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    TClientDataSet* ds = dataSet();
    TField* field = FieldAt(index.column());
    if (!ds || !field || !index.isValid() || index.row() >= ds->ViewCount() ||
        index.row() >= m_rows)
        return {};
    // Handlers (OnGetText, OnCalcFields) run here; nothing they throw may reach the view.
    try {
        switch (role) {
        case Qt::DisplayRole: {
            QString text;
            ds->WithRow(index.row(), [&] { text = field->DisplayText(); });
            return text;
        }
        case Qt::EditRole:
            return ds->RowValue(index.row(), field);
        case Qt::TextAlignmentRole:
            if (field->DataType() == FieldKind::Float || field->DataType() == FieldKind::Integer)
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    } catch (...) {
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        if (TField* field = FieldAt(section))
            return field->DisplayLabel();
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const TField* field = FieldAt(index.column());
    if (field && !field->ReadOnly() && !field->Calculated())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TClientDataSet* ds = dataSet();
    TField* field = FieldAt(index.column());
    if (role != Qt::EditRole || !ds || !field || !index.isValid() || index.row() >= m_rows ||
        !showsData())
        return false;
    try {
        if (ds->CurrentRow() != index.row())
            ds->SetRecNo(index.row() + 1);
        if (ds->State() == dsBrowse)
            ds->Edit();
        field->SetValue(value);
        return true;
    } catch (...) {
        if (OnError)
            OnError(std::current_exception());
        return false;
    }
}

} // namespace dieta
