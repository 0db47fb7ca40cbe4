#include "platform/locatekey.h"

#include "platform/datasetindex.h"
#include "platform/fieldvalues.h"

namespace dieta {
namespace {

QVariantList keyList(const QVariant& keyValues) {
    if (keyValues.metaType().id() == QMetaType::QVariantList)
        return keyValues.toList();
    QVariantList values;
    if (keyValues.metaType().id() == QMetaType::QStringList)
        for (const QString& text : keyValues.toStringList())
            values.append(text);
    else
        values.append(keyValues);
    return values;
}

} // namespace

LocateKey::LocateKey(const TClientDataSet& dataSet, const QString& keyFields,
                     const QVariant& keyValues, TLocateOptions options)
    : m_options(options) {
    const QStringList names = splitFieldNames(keyFields);
    if (names.isEmpty())
        throw EDatabaseError(QStringLiteral("Locate sem campos em %1.").arg(dataSet.objectName()));
    const QVariantList values = keyList(keyValues);
    if (values.size() != names.size())
        throw EDatabaseError(QStringLiteral("Locate em %1: %2 campos e %3 valores.")
                                 .arg(dataSet.objectName())
                                 .arg(names.size())
                                 .arg(values.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const TField* field = dataSet.FieldByName(names[i]);
        m_fields.push_back(field);
        if (field->DataType() == FieldKind::String) {
            m_keys.push_back(values[i].isValid() ? QVariant(values[i].toString()) : QVariant());
            continue;
        }
        try {
            m_keys.push_back(field->convert(values[i]));
        } catch (const EDatabaseError&) {
            m_possible = false;
            return;
        }
    }
}

bool LocateKey::matches(const ValueOf& valueOf) const {
    if (!m_possible)
        return false;
    const Qt::CaseSensitivity cs =
        (m_options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t k = 0; k < m_fields.size(); ++k) {
        const QVariant value = valueOf(m_fields[k]);
        if (m_fields[k]->DataType() != FieldKind::String) {
            if (compareFieldValues(value, m_keys[k], m_fields[k]->DataType()) != 0)
                return false;
            continue;
        }
        const QString text = value.toString();
        const QString key = m_keys[k].toString();
        if (!((m_options & loPartialKey) ? text.startsWith(key, cs) : text.compare(key, cs) == 0))
            return false;
    }
    return true;
}

} // namespace dieta
