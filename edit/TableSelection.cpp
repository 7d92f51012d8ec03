#include "edit/TableSelection.h"

#include <algorithm>

bool HasSelection(const MapRecord& map) {
    const CellSelection& s = map.selection;
    return s.startRow >= 0 && s.startColumn >= 0 && s.endRow >= 0 && s.endColumn >= 0;
}

std::vector<CellRef> SelectedCells(const MapRecord& map) {
    std::vector<CellRef> cells;
    if (!HasSelection(map)) return cells;
    const CellSelection& s = map.selection;
    const int top = std::max(std::min(s.startRow, s.endRow), 0);
    const int bottom = std::min(std::max(s.startRow, s.endRow), static_cast<int>(map.z.count) - 1);
    const int left = std::max(std::min(s.startColumn, s.endColumn), 0);
    const int right = std::min(std::max(s.startColumn, s.endColumn), static_cast<int>(map.x.count) - 1);
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) cells.push_back({r, c});
    return cells;
}

void ExtendSelection(MapRecord& map, int row, int column, int previousRow, int previousColumn) {
    CellSelection& s = map.selection;
    if (s.startRow < 0 || s.startColumn < 0) {
        s.startRow = previousRow;
        s.startColumn = previousColumn;
    }
    if (s.startRow == row && s.startColumn == column) {
        s.endRow = s.endColumn = -1;
        return;
    }
    s.endRow = row;
    s.endColumn = column;
}

void AnchorSelection(MapRecord& map, int row, int column) {
    map.selection = CellSelection{row, column, -1, -1};
}

void ClearSelection(MapRecord& map) { map.selection = CellSelection{}; }
