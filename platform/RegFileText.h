#pragma once
// The text of a registry file in the Windows ".reg" format: its lines parsed
// into records that keep the bytes they occupy, so a write can replace one
// value's lines and leave every other byte as it was, and the keys and values
// an import of those records leaves behind.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryStore.h"

namespace regfile {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::string LowerAscii(std::string_view text);
// Text that can stand in a line of the file: UTF-8 without control
// characters (a tab is allowed).
bool IsLineText(std::string_view text);
// "SOFTWARE\\RV_Tune" or "\\SOFTWARE\\RV_Tune\\" -> the full path below the
// root, as the file's key lines carry it.
std::string FullKeyPath(std::string_view key);
bool HasPrefix(const std::string& text, const std::string& prefix);
// path is ancestor or one of its subkeys (both lower case).
bool IsSameOrBelow(const std::string& path, const std::string& ancestor);

// One logical entry of the file and the bytes it occupies (a hex list may
// continue over several lines).
struct Record {
    enum class Kind { kKey, kKeyDelete, kValue, kValueDelete };
    Kind kind = Kind::kKey;
    std::string path;            // key records: the full path, lower case
    std::size_t keyRecord = kNone;   // value records: the key record in force, kNone after a deletion
    std::string name;            // value records: lower case
    std::string spelling;        // value records: the name as the file spells it
    RegistryValue value;
    std::size_t begin = 0;       // first byte of the first line
    std::size_t next = 0;        // first byte after the last line's line end
    bool terminated = true;      // the last line ends with a line end
};

struct ParsedFile {
    std::vector<Record> records;
    std::string error;   // empty when the file parsed
};

// The records of text (the file at path, named in the error), or the first
// fault found, with its line number.
ParsedFile Parse(std::string_view text, const std::string& path);

// What the file holds after an import from top to bottom: later lines
// override earlier ones, "[-KEY]" removes a key with its subkeys and
// "Name"=- removes a value.
using KeyValues = std::map<std::string, RegistryValue>;
std::map<std::string, KeyValues> Import(const std::vector<Record>& records);

}  // namespace regfile
