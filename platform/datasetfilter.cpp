#include "platform/datasetfilter.h"

#include "platform/edatabaseerror.h"
#include "platform/fieldvalues.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"

namespace dieta {
namespace {

using Op = FilterCondition::Op;

bool isBlank(const QVariant& value, FieldKind kind) {
    return !value.isValid() || (kind == FieldKind::String && value.toString().isEmpty());
}

bool acceptsOrder(Op op, int c) {
    switch (op) {
    case Op::Eq:
        return c == 0;
    case Op::Ne:
        return c != 0;
    case Op::Lt:
        return c < 0;
    case Op::Gt:
        return c > 0;
    case Op::Le:
        return c <= 0;
    case Op::Ge:
        return c >= 0;
    case Op::IsNull:
    case Op::NotNull:
        break;
    }
    return false;
}

} // namespace

DataSetFilter::DataSetFilter(const QString& text) {
    for (FilterCondition& condition : parseFilter(text)) {
        Term term;
        term.condition = std::move(condition);
        m_terms.push_back(std::move(term));
    }
}

void DataSetFilter::bind(const TClientDataSet& dataSet, bool strict) {
    for (Term& term : m_terms) {
        term.field = nullptr;
        term.column = -1;
        term.value = QVariant();
        term.compareDateOnly = false;
        if (dataSet.FieldCount() > 0)
            bindTerm(term, dataSet, strict);
    }
}

void DataSetFilter::bindTerm(Term& term, const TClientDataSet& dataSet, bool strict) const {
    const FilterCondition& condition = term.condition;
    const TField* field = dataSet.FindField(condition.fieldName);
    if (!field || field->Calculated()) {
        if (!strict)
            return;
        throw EDatabaseError(QStringLiteral("Filtro inválido: campo '%1' não encontrado em %2.")
                                 .arg(condition.fieldName, dataSet.objectName()));
    }
    const FieldKind kind = field->DataType();
    if (condition.op != Op::IsNull && condition.op != Op::NotNull) {
        term.value = kind == FieldKind::String ? QVariant(condition.literal)
                                               : literalValue(*field, condition.literal, strict);
        if (!term.value.isValid())
            return; // not strict: left unbound
        // A date without time matches the whole day (the short date the operator sees).
        term.compareDateOnly =
            kind == FieldKind::DateTime && condition.literal.trimmed().size() <= 10;
    }
    term.field = field;
    term.column = field->column();
}

// The literal in the field's kind; null when it does not fit and the binding is not strict.
QVariant DataSetFilter::literalValue(const TField& field, const QString& literal, bool strict) {
    QVariant value;
    try {
        value = field.convert(literal);
    } catch (const EDatabaseError&) {
        if (!strict)
            return {};
        throw EDatabaseError(QStringLiteral("Filtro inválido: '%1' não serve para o campo %2.")
                                 .arg(literal, field.FieldName()));
    }
    if (!value.isValid() && strict)
        throw EDatabaseError(
            QStringLiteral("Filtro inválido: valor vazio para o campo %1.").arg(field.FieldName()));
    return value;
}

bool DataSetFilter::matches(const Row& values) const {
    for (const Term& term : m_terms)
        if (!term.field || !meets(term, values[term.column]))
            return false;
    return true;
}

bool DataSetFilter::meets(const Term& term, const QVariant& value) {
    const FieldKind kind = term.field->DataType();
    switch (term.condition.op) {
    case Op::IsNull:
        return isBlank(value, kind);
    case Op::NotNull:
        return !isBlank(value, kind);
    default:
        break;
    }
    if (kind == FieldKind::String)
        return acceptsOrder(term.condition.op, value.toString().compare(term.value.toString()));
    if (!value.isValid())
        return false;
    const int c = term.compareDateOnly
                      ? compareFieldValues(value.toDateTime().date(),
                                           term.value.toDateTime().date(), FieldKind::Date)
                      : compareFieldValues(value, term.value, kind);
    return acceptsOrder(term.condition.op, c);
}

} // namespace dieta
