#pragma once
// A logbook entry of the test machine (TST01) and ECU (M1), for tests that
// put history into a logbook before they run a transfer.
#include <cstdint>
#include <utility>
#include <vector>

#include "ecu/Logbook.h"

namespace logtest {

// operation and result over data from start; no file, no note.
inline LogEntry Entry(const char* operation, const char* result, std::uint16_t start, std::vector<std::uint8_t> data) {
    LogEntry entry;
    entry.operation = operation;
    entry.result = result;
    entry.machine = "TST01";
    entry.ecu = "M1";
    entry.hasData = true;
    entry.start = start;
    entry.data = std::move(data);
    return entry;
}

}  // namespace logtest
