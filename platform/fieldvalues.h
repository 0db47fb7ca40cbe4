#pragma once
// Comparing and converting values by field kind, shared by a dataset's index, filter, locate
// and packet loading.

#include "platform/datapacket.h"

#include <QString>
#include <QVariant>

namespace dieta {

// <0, 0 or >0. Null sorts before any value; two nulls are equal.
int compareFieldValues(const QVariant& a, const QVariant& b, FieldKind kind);

// The order of an index: as compareFieldValues, but texts in Portuguese collation ("Ácido"
// among the A names, letters before case), exact text order breaking a tie.
int compareFieldOrder(const QVariant& a, const QVariant& b, FieldKind kind);

// A packet column of kind `from` can fill a field of kind `to`: the same kind, date and
// date-time, or two numbers.
bool fieldKindsCompatible(FieldKind from, FieldKind to);

// A packet value into a field of a compatible kind; null stays null.
QVariant adaptFieldValue(const QVariant& value, FieldKind to);

// The kind as the operator reads it in a message ("data e hora").
QString fieldKindLabel(FieldKind kind);

} // namespace dieta
