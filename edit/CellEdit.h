#pragma once
// The table window's DATA edits that touch many cells: the one-raw-step
// change (key commands 11 and 12) and the fill of a selection with the
// cursor cell's value (key command 7). Both write through WriteDataCell and
// leave undo records that one Undo takes back.
#include <vector>

#include "edit/ClipboardText.h"
#include "edit/EditContext.h"
#include "model/MapRecord.h"

// Steps the DATA cell under the cursor, or with a selection every selected
// cell, by one raw step: up only below 255 and while the physical value of
// raw + 1 stays at or below the item's effective maximum; down only above 0
// and while raw - 1 stays at or above its effective minimum. Each change
// leaves an action-3 record (so repeated steps of one cell leave one record);
// with a selection an unchained record for the cursor cell comes first and
// the selected cells' records are chained to it. The cursor stays on its cell
// with the raw value now in the image. Returns the number of cells changed;
// 0 outside DATA mode, and 0 with nothing recorded when a cell stepped lies
// outside the data the file keeps (the refusal goes to prompt, if any).
int StepDataCells(EditContext& context, MapRecord& map, bool up, const std::vector<CellRef>& selection,
                  UserPrompt* prompt = nullptr);

// Writes the cursor cell's byte into every selected DATA cell, each with a
// chained action-1 record. cursorChanged says whether the commit just before
// wrote the cursor cell (and so left its own record); if not, an unchained
// record for the cursor cell heads the group. Returns the number of cells
// written; 0 outside DATA mode or without a selection, and 0 with nothing
// recorded when a selected cell lies outside the data the file keeps.
int FillSelection(EditContext& context, MapRecord& map, bool cursorChanged,
                  const std::vector<CellRef>& selection, UserPrompt* prompt = nullptr);
