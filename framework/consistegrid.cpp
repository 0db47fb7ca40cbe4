#include "framework/consistegrid.h"

#include "framework/tdbgrid.h"

namespace dieta::Consiste {

int IndiceCol(TDBGrid* grid, const QString& fieldName) {
    return grid ? grid->ColumnIndex(fieldName) : -1;
}

int CriaColuna(TDBGrid* grid, const QString& fieldName, int position) {
    if (!grid)
        return -1;
    const int existing = grid->ColumnIndex(fieldName);
    if (existing >= 0)
        return existing;
    grid->InsertColumn(position, fieldName);
    return grid->ColumnIndex(fieldName);
}

void DestroiColuna(TDBGrid* grid, const QString& fieldName) {
    if (!grid)
        return;
    const int index = grid->ColumnIndex(fieldName);
    if (index >= 0)
        grid->RemoveColumn(index);
}

} // namespace dieta::Consiste
