#pragma once
// A filter bound to a dataset's fields: which records the filtered view shows.
//
// Conditions compare the record's value with the literal in the field's kind. A text field's
// null reads as "" (so it equals '' and IS NULL holds for ""); any other null meets no
// comparison. A date-time compared with a date alone ("07/12/2026") matches the whole day.

#include "platform/datapacket.h"
#include "platform/filterparser.h"
#include "platform/platform_export.h"

#include <QString>
#include <QVariant>
#include <vector>

namespace dieta {

class TClientDataSet;
class TField;

class PLATFORM_EXPORT DataSetFilter {
public:
    // Parses the text; EDatabaseError when it is malformed (see filterparser.h).
    explicit DataSetFilter(const QString& text = QString());

    // Binds the conditions to the dataset's data fields. Strict (the filter is switched on):
    // an unknown field or a literal that cannot be in its field is an EDatabaseError now,
    // rather than a silently empty view. Otherwise such a condition meets nothing until the
    // filter is bound again. A dataset without fields binds nothing.
    void bind(const TClientDataSet& dataSet, bool strict);

    // The record's data values (in column order) meet every condition.
    bool matches(const Row& values) const;

private:
    struct Term {
        FilterCondition condition;
        const TField* field = nullptr; // nullptr: unbound, meets nothing
        int column = -1;
        QVariant value; // the literal in the field's kind
        bool compareDateOnly = false;
    };

    void bindTerm(Term& term, const TClientDataSet& dataSet, bool strict) const;
    static QVariant literalValue(const TField& field, const QString& literal, bool strict);
    static bool meets(const Term& term, const QVariant& value);

    std::vector<Term> m_terms;
};

} // namespace dieta
