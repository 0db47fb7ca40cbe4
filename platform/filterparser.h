#pragma once
// The filter language of client datasets, from text to conditions:
//
//   filter    := group { AND group }      (an empty text is no condition at all)
//   group     := '(' filter ')' | condition
//   condition := field op literal | field IS [NOT] NULL
//   field     := name | '[' any text but ']' ']'
//   op        := = | <> | < | > | <= | >=
//   literal   := 'text' (a quote doubled inside) | number
//
// Words are case-insensitive and AND needs no blank after a quoted text ("'P1'AND"). OR is not
// part of the language: a filter with it is refused rather than read some other way. Errors
// are EDatabaseError with a text starting "Filtro inválido".

#include "platform/platform_export.h"

#include <QString>
#include <vector>

namespace dieta {

struct FilterToken {
    enum class Kind { Word, Text, Number, Op, Open, Close };
    Kind kind;
    QString text; // a Text without its quotes, a bracketed Word without its brackets

    bool operator==(const FilterToken&) const = default;
};

PLATFORM_EXPORT std::vector<FilterToken> tokenizeFilter(const QString& filter);

struct FilterCondition {
    enum class Op { Eq, Ne, Lt, Gt, Le, Ge, IsNull, NotNull };
    QString fieldName;
    Op op = Op::Eq;
    QString literal; // empty for IsNull and NotNull

    bool operator==(const FilterCondition&) const = default;
};

// The conditions, all of which a record must meet; groups only bracket, so they flatten.
PLATFORM_EXPORT std::vector<FilterCondition> parseFilter(const QString& filter);

} // namespace dieta
