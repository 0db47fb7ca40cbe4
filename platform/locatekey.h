#pragma once
// What Locate looks for: the fields "A;B" and one value per field, each converted to its
// field's kind, compared as the options say (text only: case, prefix).

#include "platform/tclientdataset.h"

#include <QVariant>
#include <functional>
#include <vector>

namespace dieta {

class LocateKey {
public:
    using ValueOf = std::function<QVariant(const TField* field)>;

    // keyValues: one value, or a QVariantList / QStringList with one value per field.
    // EDatabaseError for no field, an unknown field, or fewer or more values than fields.
    LocateKey(const TClientDataSet& dataSet, const QString& keyFields, const QVariant& keyValues,
              TLocateOptions options);

    // False when a value cannot be in its field (text in a number field): nothing matches.
    bool possible() const { return m_possible; }
    // The record whose field values valueOf gives matches every field of the key.
    bool matches(const ValueOf& valueOf) const;

private:
    std::vector<const TField*> m_fields;
    std::vector<QVariant> m_keys;
    TLocateOptions m_options;
    bool m_possible = true;
};

} // namespace dieta
