#pragma once
// A map of the calibration: a type, a base address, a name and three items
// (Z = THROT rows, X = RPM columns, Y = DATA cells). Items hold addresses and
// conversion rules, never copies of values: the image is the only truth.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct MapItem {
    std::string name;
    std::uint8_t count = 0;       // Z: rows, X: columns, Y: Zc * Xc reduced to 8 bits
    std::uint16_t start = 0;      // first element in the image
    std::vector<float> values;    // physical values of a list axis (Config Map)
    std::string valueListText;    // the list axis values exactly as in the definition
    std::string maximum;
    std::string minimum;
    std::string hexToPhys;        // HEX-to-physical equation, variable x
    std::string physToHex;        // physical-to-HEX equation, variable x
    std::string maximum2;         // may be empty
    std::string minimum2;         // may be empty
    std::string unit;             // shown after the values ("ms", "rpm"); may be empty
    int elementSize = 1;          // 1 byte, 2 word
    int step = 0;                 // smallest spacing of neighbouring axis values
};

enum EditMode : int { kEditNone = 0, kEditData = 1, kEditRpm = 2, kEditThrot = 3 };

// The cell under the cursor and its raw limits. For a THROT cell the THROT
// index is held in column.
struct EditCursor {
    int mode = kEditNone;
    int row = 0;
    int column = 0;
    std::uint16_t raw = 0;
    int lower = 0;
    int upper = 0;
};

// Corners of the DATA selection; -1 when nothing is selected.
struct CellSelection {
    int startRow = -1;
    int startColumn = -1;
    int endRow = -1;
    int endColumn = -1;
};

// One undoable change: the image addresses of a cell and their raw values
// before the change. kind = 10 * action + target (edit/UndoList.h).
struct UndoRecord {
    int kind = 0;
    std::vector<std::uint16_t> addresses;
    std::vector<std::uint16_t> values;   // parallel to addresses
    int chained = 0;                     // 1: undone together with the record before it
    // What the user did ("Typed value", "Scale 15 cells"), for the Edit menu;
    // empty: named by its kind. namedUndo: the Undo item says the name too
    // (the editors' own kinds keep their Undo text).
    std::string name;
    bool namedUndo = false;
};

// A map's undo history, oldest first, with its weight (addresses + 2 x values
// over all records) kept as records come and go. edit/UndoList.h works on it.
class UndoList {
public:
    bool Empty() const { return records_.empty(); }
    std::size_t Size() const { return records_.size(); }
    std::size_t Weight() const { return weight_; }
    const UndoRecord& Newest() const { return records_.back(); }
    const UndoRecord& At(std::size_t i) const { return records_[i]; }
    // Records ever appended, so that a command can name those it added.
    std::size_t Appended() const { return appended_; }
    UndoRecord& At(std::size_t i) { return records_[i]; }
    void Append(UndoRecord record) {
        ++appended_;
        weight_ += Weigh(record);
        records_.push_back(std::move(record));
    }
    void DropOldest() {
        if (records_.empty()) return;
        weight_ -= Weigh(records_.front());
        records_.pop_front();
    }
    void DropNewest() {
        if (records_.empty()) return;
        weight_ -= Weigh(records_.back());
        records_.pop_back();
    }
    void Clear() {
        records_.clear();
        weight_ = 0;
    }

private:
    static std::size_t Weigh(const UndoRecord& r) { return r.addresses.size() + 2 * r.values.size(); }
    std::deque<UndoRecord> records_;
    std::size_t weight_ = 0;
    std::size_t appended_ = 0;
};

// One Undo taken back: the records it restored, oldest first with their
// chaining, and every byte it restored with its value just before the Undo
// (edited) and just after it (undone). Redo writes edited back only while
// the image still holds undone at every one of those bytes.
struct RedoStep {
    std::vector<UndoRecord> records;
    std::vector<std::uint16_t> addresses;
    std::vector<std::uint8_t> edited;
    std::vector<std::uint8_t> undone;
};

enum MapType : int { kMapInvalid = -1, kMapOneRpmRow = 1, kMapRpmPerRow = 2, kMapConfigImage = 3 };

struct MapRecord {
    int type = kMapOneRpmRow;     // -1 behaves as 1 everywhere
    std::uint16_t base = 0;       // Free Map: the two count bytes; Config Map: first DATA cell
    std::string fourthField;
    std::string name;
    MapItem z;                    // THROT axis: rows
    MapItem x;                    // RPM axis: columns
    MapItem y;                    // DATA: cells
    // Window and editing state owned by the editors.
    EditCursor cursor;
    CellSelection selection;
    UndoList undo;                // survives switching maps and windows
    std::vector<RedoStep> redo;   // newest last; a new edit of the map empties it
};

using MapList = std::vector<std::unique_ptr<MapRecord>>;
