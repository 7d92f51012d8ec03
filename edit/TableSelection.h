#pragma once
// The table window's DATA selection, kept in the map record so every window
// of the map and the table maths see the same cells.
#include <vector>

#include "edit/ClipboardText.h"
#include "model/MapRecord.h"

// The table's DATA selection lives in map.selection: the anchor in its start
// corner, the opposite corner in its end corner (-1 while only an anchor is
// set).
bool HasSelection(const MapRecord& map);
std::vector<CellRef> SelectedCells(const MapRecord& map);
// A Shift click (or a selecting key) on a DATA cell: the anchor becomes the
// previous cursor cell when there is none; the selection is the rectangle
// between anchor and cell, and a rectangle of one cell leaves only the anchor.
void ExtendSelection(MapRecord& map, int row, int column, int previousRow, int previousColumn);
// A plain click: the cell becomes the anchor, nothing is selected.
void AnchorSelection(MapRecord& map, int row, int column);
void ClearSelection(MapRecord& map);
