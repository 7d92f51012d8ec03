// Machine list bytes -> ReadMachineList, and each line through
// ParseMachineLine. Every entry has a title, a second field and a folder
// without a line feed in them, and a sensible read count; the file's
// entries are the lines ParseMachineLine takes, in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/MachineList.h"
#include "fuzz/FuzzMachine.h"

namespace {

// Lines end at line feeds; a carriage return before one is dropped, any
// other is text of the field it stands in.
bool HasLineEnd(const std::string& text) { return text.find('\n') != std::string::npos; }

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
    // The same entries as the lines taken one by one.
    std::size_t taken = 0, begin = 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        if (auto entry = ParseMachineLine(text.substr(begin, end - begin))) {
            if (taken >= entries.size() || entries[taken].title != entry->title ||
                entries[taken].folder != entry->folder || entries[taken].readCount != entry->readCount)
                __builtin_trap();
            ++taken;
        }
        begin = end + 1;
    }
    if (taken != entries.size()) __builtin_trap();
    if (!entries.empty()) {
        const std::string& folder = entries.back().folder;
        if (!FindMachineByFolder(entries, folder)) __builtin_trap();
    }
    return 0;
}
