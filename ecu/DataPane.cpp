#include "ecu/DataPane.h"

#include <cstdio>
#include <utility>

void DataPane::Clear() {
    start = 0;
    bytes.clear();
    rowCount = 0;
    firstVisibleRow = 0;
    title.clear();
    partial = false;
}

void DataPane::Fill(std::uint16_t startAddress, std::vector<std::uint8_t> data, std::string paneTitle,
                    bool partialData) {
    start = startAddress;
    bytes = std::move(data);
    title = std::move(paneTitle);
    partial = partialData;
    const long end = static_cast<long>(start) + static_cast<long>(bytes.size());
    // A last row that the data fills only in part counts too.
    rowCount = static_cast<int>(end / 16 - start / 16 + (end % 16 != 0 ? 1 : 0));
    if (bytes.empty()) rowCount = 0;
    firstVisibleRow = 0;
}

void DataPane::ScrollRows(int delta) {
    const int last = rowCount > kVisibleRows ? rowCount - kVisibleRows : 0;
    long row = static_cast<long>(firstVisibleRow) + delta;
    if (row > last) row = last;
    if (row < 0) row = 0;
    firstVisibleRow = static_cast<int>(row);
}

HexRow PaneRow(const DataPane& pane, int row) {
    HexRow out;
    if (row < 0 || row >= pane.rowCount) return out;
    const long rowAddress = (static_cast<long>(pane.start) / 16 + row) * 16;
    char text[8];
    std::snprintf(text, sizeof text, "%04lX", static_cast<unsigned long>(rowAddress & 0xFFFF));
    out.address = text;
    for (int column = 0; column < 16; ++column) {
        const long offset = rowAddress + column - pane.start;
        if (offset < 0 || offset >= static_cast<long>(pane.bytes.size())) continue;
        std::snprintf(text, sizeof text, "%02X", pane.bytes[static_cast<std::size_t>(offset)]);
        out.cells[column] = text;
    }
    return out;
}
