// One "S1" record read from arbitrary text: a record the parser takes is
// made again by the writer and read back the same; nothing it refuses
// leaves data behind.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/SRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DataRecord record;
    if (ParseDataRecord(text, record) != RecordFault::kNone) return 0;
    if (record.data.size() > 252u) __builtin_trap();
    if (static_cast<std::size_t>(record.address) + record.data.size() > 0x10000u) __builtin_trap();
    if (record.data.empty() || record.data.size() > kSRecordMaxData) return 0;
    const std::string again = MakeDataRecord(record.address, record.data.data(), record.data.size());
    DataRecord back;
    if (ParseDataRecord(again, back) != RecordFault::kNone) __builtin_trap();
    if (back.address != record.address || back.data != record.data || !back.checksumOk || !back.exactLength)
        __builtin_trap();
    return 0;
}
