#include "platform/datasetindex.h"

#include "platform/edatabaseerror.h"
#include "platform/fieldvalues.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"

namespace dieta {

QStringList splitFieldNames(const QString& names) {
    QStringList list;
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            list.append(trimmed);
    }
    return list;
}

std::vector<const TField*> DataSetIndex::resolve(const TClientDataSet& dataSet,
                                                 const QStringList& names) {
    std::vector<const TField*> fields;
    for (const QString& name : names) {
        const TField* field = dataSet.FindField(name);
        if (!field || field->Calculated())
            throw EDatabaseError(QStringLiteral("Campo de índice '%1' não encontrado em %2.")
                                     .arg(name, dataSet.objectName()));
        fields.push_back(field);
    }
    return fields;
}

void DataSetIndex::bind(const TClientDataSet& dataSet) {
    m_fields = resolve(dataSet, m_fieldNames);
}

void DataSetIndex::setFields(const QStringList& names, std::vector<const TField*> fields) {
    m_fieldNames = names;
    m_fields = std::move(fields);
}

void DataSetIndex::addNamed(const QString& name, const QString& fields) {
    for (auto& index : m_named)
        if (index.first.compare(name, Qt::CaseInsensitive) == 0) {
            index.second = fields;
            return;
        }
    m_named.append({name, fields});
}

std::optional<QPair<QString, QString>> DataSetIndex::findNamed(const QString& name) const {
    for (const auto& index : m_named)
        if (index.first.compare(name, Qt::CaseInsensitive) == 0)
            return index;
    return std::nullopt;
}

bool DataSetIndex::less(const DataSetRecord& a, const DataSetRecord& b) const {
    for (const TField* field : m_fields) {
        const int column = field->column();
        const int c = compareFieldOrder(a.values[column], b.values[column], field->DataType());
        if (c != 0)
            return c < 0;
    }
    return a.order < b.order;
}

} // namespace dieta
