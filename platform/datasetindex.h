#pragma once
// The order of a dataset's view: the index fields, by name and bound to the dataset's fields,
// and named indexes chosen by name. Without index fields the view keeps the data order.

#include "platform/datasetrecord.h"
#include "platform/platform_export.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace dieta {

class TClientDataSet;
class TField;

// "A; B;" as {"A", "B"}: blanks trimmed, empty names dropped.
PLATFORM_EXPORT QStringList splitFieldNames(const QString& names);

class PLATFORM_EXPORT DataSetIndex {
public:
    const QStringList& fieldNames() const { return m_fieldNames; }
    const QString& name() const { return m_name; }

    // The dataset's data fields of these names; EDatabaseError for an absent or calculated
    // one.
    static std::vector<const TField*> resolve(const TClientDataSet& dataSet,
                                              const QStringList& names);
    // Binds the current names to the dataset's fields (on opening); EDatabaseError as resolve.
    void bind(const TClientDataSet& dataSet);
    // Fields were replaced: the binding is gone until the next bind.
    void unbind() { m_fields.clear(); }
    // New index fields, with their binding (empty while the dataset is closed).
    void setFields(const QStringList& names, std::vector<const TField*> fields);
    void setName(const QString& name) { m_name = name; }

    // Adds a named index, or changes the fields of one of the same name (case-insensitive).
    void addNamed(const QString& name, const QString& fields);
    // The named index as added (its name as spelled then, its fields); nullopt if absent.
    std::optional<QPair<QString, QString>> findNamed(const QString& name) const;

    // Bound to at least one field: the view needs sorting.
    bool ordered() const { return !m_fields.empty(); }
    // a comes before b in the view: by the index fields, then in data order.
    bool less(const DataSetRecord& a, const DataSetRecord& b) const;

private:
    QStringList m_fieldNames;
    std::vector<const TField*> m_fields;
    QString m_name;
    QList<QPair<QString, QString>> m_named;
};

} // namespace dieta
