#pragma once
// A block of memory as the data exchange window's hex view shows it: the
// exchange and comparison buffers, their scrolling, and one row of 16 cells.
#include <cstdint>
#include <string>
#include <vector>

// One block of memory in the hex view.
struct DataPane {
    static constexpr int kVisibleRows = 10;

    std::uint16_t start = 0;
    std::vector<std::uint8_t> bytes;   // the length is bytes.size(); empty = no data
    int rowCount = 0;
    int firstVisibleRow = 0;
    std::string title;
    bool partial = false;              // what arrived before a failed ECU read: drawn in red

    bool Empty() const { return bytes.empty(); }
    std::int32_t Length() const { return static_cast<std::int32_t>(bytes.size()); }
    void Clear();
    // Takes bytes from start on; counts the rows and returns to the first row.
    void Fill(std::uint16_t startAddress, std::vector<std::uint8_t> data, std::string paneTitle,
              bool partialData);
    // Scrolls by rows (a page is kVisibleRows), kept inside the rows.
    void ScrollRows(int delta);
};

// One row of a pane's hex view: the address label and 16 cells, blank
// outside the pane's range.
struct HexRow {
    std::string address;               // "%04X", a multiple of 16
    std::string cells[16];             // "%02X" or empty
};
HexRow PaneRow(const DataPane& pane, int row);
