#pragma once
// The table window's clipboard text: a rectangle of DATA values as physical
// values printed with FormatData, cells separated by "\t", rows by "\r\n"
// (none after the last row), the way spreadsheets exchange them.
//
// The window only moves text: it puts CopyText on the clipboard as CF_TEXT
// (zero-terminated) when the text is not empty, and hands the clipboard's
// text to PasteValues, or to PlanPaste / ApplyPaste when it wants to show
// the messages itself.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "edit/EditContext.h"
#include "model/MapRecord.h"
#include "platform/UserPrompt.h"

struct CellRef {
    int row = 0;
    int column = 0;
};

// The text of the selected DATA cells. The rectangle runs from the smallest
// to the largest row and column among the cells; cells inside it that are not
// selected copy as a formatted 0. Values are read from the image now. Cells
// outside the table are left out; no cell inside it gives "".
std::string CopyText(const EditContext& context, const MapRecord& map, const std::vector<CellRef>& cells);
// The same for the rectangle between two selection corners (any order);
// "" when a corner is -1.
std::string CopyText(const EditContext& context, const MapRecord& map, const CellSelection& selection);
// The whole DATA table.
std::string TableCopyText(const EditContext& context, const MapRecord& map);

enum : int {
    kClipboardOk = 0,
    kClipboardNoText = 1,       // the clipboard could not be opened or holds no text
    kClipboardRagged = 2,       // rows with different numbers of cells
    kClipboardNotNumber = 3,    // a cell is not one whole decimal number
};

struct PasteEntry {
    int row = 0;        // relative to the cursor
    int column = 0;
    float value = 0.0f;
};

// No table has more than 255 rows or columns, so entries this far from the
// cursor could never land; they are checked but not kept, which bounds the
// list whatever the size of the text.
constexpr int kPasteSpan = 256;

// Splits clipboard text into entries, row by row. nullopt stands for a
// clipboard that could not be opened or held no text. The text ends at its
// first zero byte, as CF_TEXT does. Rows end at "\r\n", "\r" or "\n"; a
// separator at the very end adds no empty row, and a "\t" at the end of a row
// no empty cell; an empty cell between two tabs is 0. Every row must have the
// first row's number of cells (else kClipboardRagged); every cell must be
// one whole number as IsNumericInput takes it (else kClipboardNotNumber),
// read as "%f" reads it. On failure entries is empty. Linear in the text.
int ReadClipboardValues(std::optional<std::string_view> text, std::vector<PasteEntry>& entries);

// One DATA byte a paste writes.
struct PasteWrite {
    int row = 0;
    int column = 0;
    std::uint8_t raw = 0;
};

// What a paste at the edit cursor does. With messageId nonzero the window
// shows message and nothing is written. Otherwise ApplyPaste carries out the writes; with
// setEditorText the grid editor shows editorText afterwards.
// The messageId of a paste that would write a cell outside the data the
// file keeps (EditContext::OutsideDataRefusal); it has no string number.
constexpr int kPasteOutsideData = -1;

struct PastePlan {
    int messageId = 0;              // 1544-1547, kPasteOutsideData, or 0
    PromptMessage message;
    bool recordCursor = false;      // an unchained record for the cursor cell comes first
    std::vector<PasteWrite> writes; // in row order, then column order
    bool setEditorText = false;
    std::string editorText;
};

// selectedCount is the number of selected DATA cells: a paste is refused
// while any are selected. Pasted values are converted with the DATA item's
// physical-to-HEX equation, clamped to a byte and into the cell limits and
// moved one raw step back into the item's range when they lie outside it,
// without a message. Values whose conversion fails are not written, and
// targets beyond the table are skipped. Only a cursor on a DATA cell pastes;
// in any other edit mode nothing is written. A paste with a target the file
// does not keep is refused whole (kPasteOutsideData).
PastePlan PlanPaste(const EditContext& context, const MapRecord& map, std::size_t selectedCount,
                    std::optional<std::string_view> text);

// Writes the plan through WriteDataCell, each byte with its chained undo
// record (action 1) after the unchained record of the cursor cell, and puts
// the cursor back on its cell with the raw value now in the image. Returns
// the number of bytes written.
int ApplyPaste(EditContext& context, MapRecord& map, const PastePlan& plan);

// PlanPaste, its message through prompt, ApplyPaste. Returns the plan, so
// the window can set the editor text and repaint.
PastePlan PasteValues(EditContext& context, MapRecord& map, UserPrompt& prompt, std::size_t selectedCount,
                      std::optional<std::string_view> text);
