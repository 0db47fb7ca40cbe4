#pragma once
// The grid helpers of Consiste: columns are found by field name, never by position, because
// some grids gain a column while a list is open.

#include "framework/framework_export.h"

#include <QString>

namespace dieta {
class TDBGrid;
}

namespace dieta::Consiste {

// The index of the field's column in the grid, or -1.
FRAMEWORK_EXPORT int IndiceCol(TDBGrid* grid, const QString& fieldName);
// Adds a column for the field at `position` (clamped to the columns there are), titled with the
// field's label, unless the grid already has one; answers its index.
FRAMEWORK_EXPORT int CriaColuna(TDBGrid* grid, const QString& fieldName, int position);
// Removes the field's column when there is one.
FRAMEWORK_EXPORT void DestroiColuna(TDBGrid* grid, const QString& fieldName);

} // namespace dieta::Consiste
