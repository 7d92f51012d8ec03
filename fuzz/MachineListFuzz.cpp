// Machine list bytes -> ReadMachineList, and each line through
// ParseMachineLine. Every entry has a title, a second field and a folder
// without a line end in them, and a sensible read count; the file's
// entries are the lines ParseMachineLine takes, in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/MachineList.h"
#include "fuzz/FuzzMachine.h"

namespace {

// A carriage return inside a line is text; only the one ending it is not.
bool HasLineEnd(const std::string& text) {
    return text.find('\n') != std::string::npos || (!text.empty() && text.back() == '\r');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzmachine::ScratchFile("machines");
    fuzzmachine::WriteScratch(path, data, size);
    const std::vector<MachineEntry> entries = ReadMachineList(path);
    for (const MachineEntry& entry : entries) {
        if (entry.title.empty() || entry.second.empty() || entry.folder.empty()) __builtin_trap();
        if (HasLineEnd(entry.title) || HasLineEnd(entry.second) || HasLineEnd(entry.folder)) __builtin_trap();
        if (entry.readCount == 0) __builtin_trap();   // 0 is never kept: it means the default
    }
    if (!entries.empty()) {
        const std::string& folder = entries.back().folder;
        if (!FindMachineByFolder(entries, folder)) __builtin_trap();
    }
    return 0;
}
