#pragma once
// What the table window shows and what its mouse and keys do, without any
// window: the grid's shape, the cell under a point, the scroll that brings
// the cursor into view, the DATA selection, cursor moves, the typed axis
// value (CommitAxisEdit) and the axis step.
//
// The grid shows one line per THROT row. A Free Map of type 2 gives every
// THROT row two grid lines, first the row's own RPM breakpoints, then its
// DATA, and has no RPM row in the header; every other map shows its one RPM
// row along the top of the header.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "edit/ClipboardText.h"
#include "edit/EditContext.h"
#include "edit/TableSelection.h"
#include "model/MapRecord.h"
#include "platform/UserPrompt.h"

struct TableShape {
    bool doubled = false;     // Free Map of type 2: an RPM line above each DATA line
    bool rpmHeader = true;    // the RPM row lies in the header
    int lines = 0;            // grid lines
    int columns = 0;          // grid columns (the X count)
};

TableShape TableShapeOf(const MapRecord& map, int definitionKind);

// A cell of the table: edit mode DATA or RPM for the grid, RPM for the
// header row, THROT (index in column) for the header column.
struct TableCell {
    int mode = kEditNone;
    int row = 0;
    int column = 0;
};

// The grid line that shows a DATA or two-dimensional RPM cell, -1 for
// header cells.
int GridLineOf(const TableShape& shape, const TableCell& cell);
TableCell CellOfGridLine(const TableShape& shape, int line, int column);

// The grid cell under a point in grid coordinates (the grid's own origin),
// with the scroll positions; false outside the cells.
bool GridHit(const TableShape& shape, int cellWidth, int cellHeight, int firstLine, int firstColumn,
             int x, int y, TableCell& cell);
// The header cell under a point in window coordinates: the RPM row (right of
// the THROT column, inside the breakpoints shown) or the THROT column. A
// doubled table finds the THROT row from its two lines.
bool HeaderHit(const TableShape& shape, int cellWidth, int cellHeight, int firstLine, int firstColumn,
               int x, int y, TableCell& cell);

// The scroll position along one axis that shows item index (a line or a
// column) whole in a view of visibleCells whole cells, moving as little as
// possible. maxFirst bounds the result.
int ScrollToShow(int first, int index, int visibleCells, int maxFirst);


// Puts the cursor on a cell and reads its raw value and limits.
void PlaceCursor(const EditContext& context, MapRecord& map, const TableCell& cell);

// Key command codes of the table window's cursor moves.
enum : int { kKeyCursorUp = 13, kKeyCursorDown = 14, kKeyCursorLeft = 15, kKeyCursorRight = 16 };

// The cell a cursor move leads to from the cursor; false when it leads
// nowhere (the edge of the table). DATA moves within the table; in a doubled
// table up goes from a DATA line to the RPM line of its row and from an RPM
// line to the DATA line of the row above, down the reverse, and left from
// the first column goes to the row's THROT value. THROT moves along its axis
// and right to the row's first cell; the RPM header row moves along its row
// and down into the first DATA line.
bool CursorMoveTarget(const MapRecord& map, const TableShape& shape, int code, TableCell& target);

// The outcome of CommitAxisEdit, carried out by the window: show the
// messages in order, set the editor to editorText and, when write is set,
// store raw at the cursor cell after an undo record (action 1).
struct AxisCommit {
    bool rejected = false;
    bool write = false;
    std::uint16_t raw = 0;
    std::string editorText;
    std::vector<PromptMessage> messages;
};

// A typed THROT value, or RPM value of a map whose RPM axis is one row. The
// value is kept inside the item's range and at least one step from its
// neighbours, and always inside the cell's edit limits, so that the axis
// rises strictly by at least one raw step also where the item's step is 0;
// a value outside the range or one that would meet or pass a neighbour is
// corrected and reported with 1525. A value that is no
// number or does not convert is refused with 1503 or the conversion message,
// and any value for a cell whose bytes the file does not keep with the
// message of EditContext::OutsideDataRefusal.
AxisCommit PlanAxisCommit(const EditContext& context, const MapRecord& map, std::string_view typed);
// PlanAxisCommit carried out: messages through prompt, the write with its
// undo record, the cursor's raw value. Returns the plan for the editor text.
AxisCommit CommitAxisEdit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::string_view typed);

// The step of a THROT or RPM cell (key codes 11 up, 12 down): the physical
// value moves by the item's step and must stay inside the item's range, at
// least one step from both neighbours and inside the cell's edit limits. Written with an action-3 record.
// true when the cell changed. A cell the file does not keep is not stepped;
// the refusal goes to prompt when there is one.
bool StepAxisCell(EditContext& context, MapRecord& map, bool up, UserPrompt* prompt = nullptr);

// Committing a typed DATA value (and the RPM line of a doubled table):
// CommitTypedByte carried out with its message, write and undo record.
// true when the cell changed. A cell the file does not keep is refused
// first, whatever was typed, and editorText shows its value again.
bool CommitDataEdit(EditContext& context, MapRecord& map, UserPrompt& prompt, std::string_view typed,
                    std::string& editorText);

// The physical value of axis element index (THROT: the THROT index; RPM: the
// breakpoint of row; a list axis of a Config Map: its listed value). false
// outside the axis or when the equation fails.
bool AxisPhysical(const EditContext& context, const MapRecord& map, int mode, int row, int index,
                  float& physical);

// The text a cell shows: FormatX for RPM, FormatZ for THROT, FormatData for
// DATA, through the item's HEX-to-physical equation (a list axis of a Config
// Map shows its listed value). "" for a cell outside its table.
std::string CellText(const EditContext& context, const MapRecord& map, const TableCell& cell);

// The table's status line after Shift+Enter. bytes are (address, value) as
// sent, the cells' and their linked cells'; code is the single write's
// result (0 sent, -1 another write running, else the failure's message
// number, whose text is codeText). "8016 = 40 sent to the ECU".
std::string EcuSendStatus(const std::vector<std::pair<std::uint16_t, std::uint8_t>>& bytes, int code,
                          const std::string& codeText);
// Why Shift+Enter sent nothing; empty when it sends (a Config Map machine,
// the cursor on a DATA cell).
std::string EcuNotSentText(int definitionKind, int cursorMode);
