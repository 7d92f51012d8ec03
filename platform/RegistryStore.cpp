#include "platform/FileIo.h"
#include "platform/RegistryStore.h"
#include "platform/AsciiText.h"

#include "platform/PathSearch.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <new>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::size_t kHexBytesPerLine = 25;   // keeps written hex lines near 80 columns
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    }
    return true;
}

// Structural UTF-8 check: lead and continuation bytes, no overlong forms,
// no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) { ++i; continue; }
        std::size_t length = 0;
        unsigned codePoint = 0;
        if (c >= 0xC2 && c <= 0xDF) { length = 2; codePoint = c & 0x1Fu; }
        else if (c >= 0xE0 && c <= 0xEF) { length = 3; codePoint = c & 0x0Fu; }
        else if (c >= 0xF0 && c <= 0xF4) { length = 4; codePoint = c & 0x07u; }
        else return false;
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if ((length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))) ||
            (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))) {
            return false;
        }
        i += length;
    }
    return true;
}

// Text that can stand in a line of the file: UTF-8 without control
// characters (a tab is allowed).
bool IsLineText(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t') return false;
    }
    return IsUtf8(text);
}

// "SOFTWARE\\RV_Tune" or "\\SOFTWARE\\RV_Tune\\" -> the full path below the
// root, as the file's key lines carry it.
std::string FullKeyPath(std::string_view key) {
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::string full(RegistryStore::kMachineRoot);
    if (!key.empty()) full.append("\\").append(key);
    return full;
}

std::string NormalizedFilePath(std::string_view path) {
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return LowerAscii(path);
}

bool HasPrefix(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsSameOrBelow(const std::string& path, const std::string& ancestor) {
    return path.size() >= ancestor.size() && path.compare(0, ancestor.size(), ancestor) == 0 &&
           (path.size() == ancestor.size() || path[ancestor.size()] == '\\');
}

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

class Parser {
public:
    Parser(std::string_view text, const std::string& path) : text_(text), path_(path) {}

    ParsedFile Run() {
        ParsedFile result;
        // A UTF-8 byte order mark is tolerated in front of the header.
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
        bool headerSeen = false;
        std::size_t currentKey = kNone;
        bool anyKey = false;
        TextLine line;
        while (NextLine(line)) {
            const std::string_view raw = text_.substr(line.begin, line.end - line.begin);
            if (!IsLineText(raw)) return Fail(result, "control characters or bytes that are not UTF-8 text");
            const std::string_view trimmed = TrimBlanks(raw);
            if (trimmed.empty()) continue;
            if (!headerSeen) {
                if (trimmed != kHeader5 && trimmed != kHeader4) {
                    return Fail(result, "the first line is not \"Windows Registry Editor Version 5.00\"");
                }
                headerSeen = true;
                continue;
            }
            if (trimmed.front() == ';') continue;

            Record record;
            record.begin = line.begin;
            if (trimmed.front() == '[') {
                if (trimmed.back() != ']' || trimmed.size() < 3) return Fail(result, "a key line without its key");
                std::string_view path = trimmed.substr(1, trimmed.size() - 2);
                record.kind = Record::Kind::kKey;
                if (path.front() == '-') {
                    record.kind = Record::Kind::kKeyDelete;
                    path.remove_prefix(1);
                }
                record.path = NormalizedFilePath(path);
                if (record.path.empty()) return Fail(result, "a key line without its key");
                anyKey = true;
                currentKey = record.kind == Record::Kind::kKey ? result.records.size() : kNone;
            } else if (trimmed.front() == '"' || trimmed.front() == '@') {
                if (!anyKey) return Fail(result, "a value before the first key line");
                record.keyRecord = currentKey;
                std::string problem;
                if (!ParseValueLine(trimmed, line, record, problem)) return Fail(result, problem);
            } else {
                return Fail(result, "neither a key line nor a value line");
            }
            record.next = line.next;
            record.terminated = line.terminated;
            result.records.push_back(std::move(record));
        }
        if (!headerSeen) {
            lineNumber_ = 1;
            return Fail(result, "the file has no \"Windows Registry Editor Version 5.00\" line");
        }
        return result;
    }

private:
    bool NextLine(TextLine& line) {
        if (!NextTextLine(text_, pos_, line)) return false;
        ++lineNumber_;
        return true;
    }

    ParsedFile& Fail(ParsedFile& result, const std::string& what) {
        std::string shownPath;
        for (char c : path_) shownPath += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
        result.records.clear();
        result.error = shownPath + ": line " + std::to_string(lineNumber_) + ": " + what;
        return result;
    }

    // A quoted text with the escapes \\ and \"; other backslashes stand for
    // themselves. text starts at the opening quote; consumed is set past the
    // closing one.
    static bool ParseQuoted(std::string_view text, std::string& out, std::size_t& consumed) {
        out.clear();
        for (std::size_t i = 1; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '"') {
                consumed = i + 1;
                return true;
            }
            if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
                out += text[++i];
            } else {
                out += c;
            }
        }
        return false;
    }

    // Bytes "4d,31,00" of one line; continues is set when the line ends with "\".
    static bool ParseHexList(std::string_view text, std::vector<std::uint8_t>& bytes, bool& continues) {
        continues = false;
        std::size_t i = 0;
        auto skipBlanks = [&] { while (i < text.size() && IsBlank(text[i])) ++i; };
        skipBlanks();
        while (i < text.size()) {
            if (text[i] == '\\') {
                ++i;
                skipBlanks();
                continues = true;
                return i == text.size();
            }
            const int high = HexDigit(text[i]);
            if (high < 0) return false;
            int byte = high;
            ++i;
            if (i < text.size() && HexDigit(text[i]) >= 0) byte = byte * 16 + HexDigit(text[i++]);
            bytes.push_back(static_cast<std::uint8_t>(byte));
            skipBlanks();
            if (i == text.size()) return true;
            if (text[i] == ',') {
                ++i;
                skipBlanks();
            } else if (text[i] != '\\') {
                return false;
            }
        }
        return true;
    }

    bool ParseValueLine(std::string_view text, TextLine& line, Record& record, std::string& problem) {
        std::string name;
        std::size_t i = 0;
        if (text.front() == '@') {
            i = 1;
        } else if (!ParseQuoted(text, name, i)) {
            problem = "a value name without its closing quote";
            return false;
        }
        record.name = LowerAscii(name);
        record.spelling = std::move(name);
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size() || text[i] != '=') {
            problem = "a value name without \"=\"";
            return false;
        }
        ++i;
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::string_view data = text.substr(i);

        record.kind = Record::Kind::kValue;
        if (data == "-") {
            record.kind = Record::Kind::kValueDelete;
            return true;
        }
        if (!data.empty() && data.front() == '"') {
            std::string content;
            std::size_t used = 0;
            if (!ParseQuoted(data, content, used) || !TrimBlanks(data.substr(used)).empty()) {
                problem = "a text value that is not one quoted text";
                return false;
            }
            record.value.type = RegistryValue::Type::kString;
            record.value.data.assign(content.begin(), content.end());
            record.value.data.push_back(0);
            return true;
        }
        if (StartsWithNoCase(data, "dword:")) {
            const std::string_view digits = TrimBlanks(data.substr(6));
            std::uint32_t number = 0;
            bool good = !digits.empty() && digits.size() <= 8;
            for (char c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0) good = false;
                else number = (number << 4) | static_cast<std::uint32_t>(digit);
            }
            if (!good) {
                problem = "a dword value that is not 1 to 8 hex digits";
                return false;
            }
            record.value.type = RegistryValue::Type::kDword;
            record.value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                 static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
            return true;
        }
        std::size_t listStart = kNone;
        if (StartsWithNoCase(data, "hex:")) {
            listStart = 4;
        } else if (StartsWithNoCase(data, "hex(")) {
            // hex(N): any registry type, kept as its raw bytes.
            std::size_t k = 4;
            while (k < data.size() && HexDigit(data[k]) >= 0) ++k;
            if (k > 4 && data.substr(k, 2) == "):") listStart = k + 2;
        }
        if (listStart == kNone) {
            problem = "a value that is neither text, dword nor hex";
            return false;
        }
        record.value.type = RegistryValue::Type::kBinary;
        bool continues = false;
        if (!ParseHexList(data.substr(listStart), record.value.data, continues)) {
            problem = "a hex value with something other than hex bytes";
            return false;
        }
        while (continues) {
            if (!NextLine(line)) {
                problem = "a hex value continued past the end of the file";
                return false;
            }
            const std::string_view more = text_.substr(line.begin, line.end - line.begin);
            if (!IsLineText(more) || !ParseHexList(more, record.value.data, continues)) {
                problem = "a hex value with something other than hex bytes";
                return false;
            }
        }
        return true;
    }

    std::string_view text_;
    const std::string& path_;
    std::size_t pos_ = 0;
    std::size_t lineNumber_ = 0;
};

// What the file holds after an import from top to bottom: later lines
// override earlier ones, "[-KEY]" removes a key with its subkeys and
// "Name"=- removes a value.
using KeyValues = std::map<std::string, RegistryValue>;
std::map<std::string, KeyValues> Import(const std::vector<Record>& records) {
    std::map<std::string, KeyValues> keys;
    for (const Record& record : records) {
        switch (record.kind) {
        case Record::Kind::kKey:
            keys[record.path];
            break;
        case Record::Kind::kKeyDelete:
            // Subkeys sort among other names with the same prefix ("A-1" lies
            // between "A" and "A\\B"), so the whole prefix range is walked.
            for (auto it = keys.lower_bound(record.path); it != keys.end() && HasPrefix(it->first, record.path);) {
                it = IsSameOrBelow(it->first, record.path) ? keys.erase(it) : std::next(it);
            }
            break;
        case Record::Kind::kValue:
            if (record.keyRecord != kNone) keys[records[record.keyRecord].path][record.name] = record.value;
            break;
        case Record::Kind::kValueDelete:
            if (record.keyRecord != kNone) keys[records[record.keyRecord].path].erase(record.name);
            break;
        }
    }
    return keys;
}

enum class LoadResult { kMissing, kUnreadable, kLoaded };

LoadResult LoadFile(const std::string& path, std::string& text) {
    if (ReadWholeFile(path, text, kMaxInputFileSize)) return LoadResult::kLoaded;
    return FileExists(path) ? LoadResult::kUnreadable : LoadResult::kMissing;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

const char* const kHexDigits = "0123456789abcdef";

std::string FormatValueLine(const std::string& name, const RegistryValue& value, const std::string& eol) {
    std::string line = name.empty() ? std::string("@") : Quote(name);
    line += '=';
    switch (value.type) {
    case RegistryValue::Type::kString: {
        std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size());
        if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
        line += Quote(text);
        break;
    }
    case RegistryValue::Type::kDword: {
        std::uint32_t number = 0;
        for (std::size_t i = 0; i < 4 && i < value.data.size(); ++i) number |= std::uint32_t{value.data[i]} << (8 * i);
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) line += kHexDigits[(number >> shift) & 0xF];
        break;
    }
    case RegistryValue::Type::kBinary:
        line += "hex:";
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            if (i > 0) {
                line += ',';
                if (i % kHexBytesPerLine == 0) line += "\\" + eol + "  ";
            }
            line += kHexDigits[value.data[i] >> 4];
            line += kHexDigits[value.data[i] & 0xF];
        }
        break;
    }
    return line;
}

std::string FreshFile(const std::string& keyLine, const std::string& valueLine) {
    const std::string eol = "\r\n";   // the Windows format's own line end
    return std::string(kHeader5) + eol + eol + keyLine + eol + valueLine + eol;
}

// The file's line end: that of its first line, CR LF when it has none.
std::string LineEndOf(const std::string& text) { return FirstLineEnd(text, "\r\n"); }

bool IsWritableKey(std::string_view key) {
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    return !key.empty() && key.find("\\\\") == std::string_view::npos && IsLineText(key);
}

// text, which parsed as records, with name under key set to value: the
// value's line replaced where it takes effect last, or the value added to
// the key's last block, or the key added at the end. May throw.
std::string WithValue(const std::string& text, const ParsedFile& parsed, const std::string& fullKey,
                      const std::string& name, const RegistryValue& value) {
    const std::string keyLine = "[" + fullKey + "]";
    // Find where the value takes effect last, as an import reads the file.
    const std::string wantedKey = LowerAscii(fullKey);
    const std::string wantedName = LowerAscii(name);
    const auto& records = parsed.records;
    std::size_t lastDeletion = kNone, lastValue = kNone, lastKey = kNone, lastInLastKey = kNone;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        const bool inWantedKey = r.keyRecord != kNone && records[r.keyRecord].path == wantedKey;
        switch (r.kind) {
        case Record::Kind::kKey:
            if (r.path == wantedKey) lastKey = lastInLastKey = i;
            break;
        case Record::Kind::kKeyDelete:
            if (IsSameOrBelow(wantedKey, r.path)) lastDeletion = i;
            break;
        case Record::Kind::kValue:
        case Record::Kind::kValueDelete:
            if (inWantedKey && r.keyRecord == lastKey) lastInLastKey = i;
            if (inWantedKey && r.name == wantedName) {
                (r.kind == Record::Kind::kValue ? lastValue : lastDeletion) = i;
            }
            break;
        }
    }
    auto after = [lastDeletion](std::size_t index) {
        return index != kNone && (lastDeletion == kNone || index > lastDeletion);
    };

    const std::string eol = LineEndOf(text);
    std::string out;
    out.reserve(text.size() + keyLine.size() + name.size() + 3 * value.data.size() + 64);
    if (after(lastValue)) {
        // As in the registry, a value keeps the letter case its name has.
        const Record& old = records[lastValue];
        out.append(text, 0, old.begin).append(FormatValueLine(old.spelling, value, eol));
        if (old.terminated) out += eol;
        out.append(text, old.next, std::string::npos);
    } else if (after(lastKey)) {
        const Record& last = records[lastInLastKey];
        out.append(text, 0, last.next);
        if (!last.terminated) out += eol;
        out.append(FormatValueLine(name, value, eol)).append(eol);
        out.append(text, last.next, std::string::npos);
    } else {
        out = text;
        if (!out.empty() && out.back() != '\n') out += eol;
        // Keys are set apart by a blank line, as the format is usually written.
        const std::size_t lineStart = out.empty() ? 0 : out.rfind('\n', out.size() - 2) + 1;
        const std::string_view lastLine(out.data() + lineStart, out.size() - lineStart);
        if (!TrimBlanks(lastLine.substr(0, lastLine.find_first_of("\r\n"))).empty()) out += eol;
        out.append(keyLine).append(eol).append(FormatValueLine(name, value, eol)).append(eol);
    }
    return out;
}

}  // namespace

std::string RegistryStore::DefaultPath() {
    const char* explicitPath = std::getenv("RV_TUNE_REGISTRY");
    if (explicitPath != nullptr && explicitPath[0] != '\0') return explicitPath;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] != '\0') return JoinPath(config, "RV_Tune/registry.reg");
    std::string home;
    const char* homeEnv = std::getenv("HOME");
    if (homeEnv != nullptr && homeEnv[0] != '\0') {
        home = homeEnv;
    } else if (const passwd* user = ::getpwuid(::geteuid()); user != nullptr && user->pw_dir != nullptr) {
        home = user->pw_dir;   // no HOME at all: the account's home folder
    }
    if (home.empty()) return ".config/RV_Tune/registry.reg";
    return JoinPath(home, ".config/RV_Tune/registry.reg");
}

bool RegistryStore::KeyExists(const std::string& key) const {
    try {
        std::string text;
        parseError_.clear();
        if (LoadFile(path_, text) != LoadResult::kLoaded) return false;
        ParsedFile parsed = Parser(text, path_).Run();
        parseError_ = parsed.error;
        const std::string wanted = LowerAscii(FullKeyPath(key));
        const auto keys = Import(parsed.records);
        for (auto it = keys.lower_bound(wanted); it != keys.end() && HasPrefix(it->first, wanted); ++it) {
            if (IsSameOrBelow(it->first, wanted)) return true;
        }
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<RegistryValue> RegistryStore::Query(const std::string& key, const std::string& name) const {
    try {
        std::string text;
        parseError_.clear();
        if (LoadFile(path_, text) != LoadResult::kLoaded) return std::nullopt;
        ParsedFile parsed = Parser(text, path_).Run();
        parseError_ = parsed.error;
        const auto keys = Import(parsed.records);
        const auto keyIt = keys.find(LowerAscii(FullKeyPath(key)));
        if (keyIt == keys.end()) return std::nullopt;
        const auto valueIt = keyIt->second.find(LowerAscii(name));
        if (valueIt == keyIt->second.end()) return std::nullopt;
        return valueIt->second;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

RegistryValue RegistryStore::StringValue(const std::string& text) {
    RegistryValue value;
    value.type = RegistryValue::Type::kString;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

RegistryValue RegistryStore::DwordValue(std::uint32_t number) {
    RegistryValue value;
    value.type = RegistryValue::Type::kDword;
    value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return value;
}

bool RegistryStore::SetString(const std::string& key, const std::string& name, const std::string& text) {
    return SetValue(key, name, StringValue(text));
}

bool RegistryStore::SetDword(const std::string& key, const std::string& name, std::uint32_t number) {
    return SetValue(key, name, DwordValue(number));
}

bool RegistryStore::SetBinary(const std::string& key, const std::string& name,
                              const std::vector<std::uint8_t>& bytes) {
    RegistryValue value;
    value.type = RegistryValue::Type::kBinary;
    value.data = bytes;
    return SetValue(key, name, value);
}

bool RegistryStore::SetValue(const std::string& key, const std::string& name, const RegistryValue& value) {
    return SetValues({{key, name, value}});
}

bool RegistryStore::SetValues(const std::vector<RegistryWrite>& writes) {
    for (const RegistryWrite& write : writes) {
        if (!IsWritableKey(write.key) || !IsLineText(write.name)) return false;
        // The .reg text form has no escape for line breaks or other control
        // characters, so such a text is refused rather than written as something else.
        const std::vector<std::uint8_t>& data = write.value.data;
        if (write.value.type == RegistryValue::Type::kString &&
            (data.empty() || data.back() != 0 || !IsLineText(std::string(data.begin(), data.end() - 1))))
            return false;
    }
    if (writes.empty()) return true;
    try {
        parseError_.clear();
        std::string text;
        const LoadResult load = LoadFile(path_, text);
        if (load == LoadResult::kUnreadable) return false;   // never replace what we could not read

        bool fresh = load == LoadResult::kMissing;
        if (fresh) {
            const fs::path folder = fs::path(path_).parent_path();
            std::error_code ec;
            if (!folder.empty()) fs::create_directories(folder, ec);
        } else {
            ParsedFile parsed = Parser(text, path_).Run();
            if (!parsed.error.empty()) {
                parseError_ = parsed.error;
                // The unreadable file is kept for the user before it is replaced.
                if (!WriteFileAtomic(path_ + ".bad", text)) return false;
                fresh = true;
            }
        }
        // All values go into the text first and the file is rewritten once,
        // so a program killed midway leaves all of them or none.
        for (const RegistryWrite& write : writes) {
            const std::string fullKey = FullKeyPath(write.key);
            if (fresh) {
                text = FreshFile("[" + fullKey + "]", FormatValueLine(write.name, write.value, "\r\n"));
                fresh = false;
                continue;
            }
            ParsedFile parsed = Parser(text, path_).Run();
            if (!parsed.error.empty()) return false;   // our own text always parses
            text = WithValue(text, parsed, fullKey, write.name, write.value);
        }
        return WriteFileAtomic(path_, text);
    } catch (const std::exception&) {
        return false;
    }
}

bool RegistryStore::DeleteValue(const std::string& key, const std::string& name) { return Delete(key, &name); }

bool RegistryStore::DeleteKey(const std::string& key) { return Delete(key, nullptr); }

bool RegistryStore::Delete(const std::string& key, const std::string* name) {
    if (!IsWritableKey(key)) return false;
    try {
        parseError_.clear();
        std::string text;
        const LoadResult load = LoadFile(path_, text);
        if (load == LoadResult::kMissing) return true;
        if (load == LoadResult::kUnreadable) return false;
        ParsedFile parsed = Parser(text, path_).Run();
        if (!parsed.error.empty()) {
            parseError_ = parsed.error;
            return false;   // never rewrite a file we could not read
        }
        const std::string wantedKey = LowerAscii(FullKeyPath(key));
        const std::string wantedName = name ? LowerAscii(*name) : std::string();
        const auto& records = parsed.records;
        // A record goes when it gives the key (or one below it) or, for a
        // value, when it is the value asked for; a whole key takes its values along.
        auto drops = [&](const Record& r) {
            switch (r.kind) {
            case Record::Kind::kKey:
                return !name && IsSameOrBelow(r.path, wantedKey);
            case Record::Kind::kKeyDelete:
                return false;
            case Record::Kind::kValue:
            case Record::Kind::kValueDelete:
                if (r.keyRecord == kNone) return false;
                if (!name) return IsSameOrBelow(records[r.keyRecord].path, wantedKey);
                return records[r.keyRecord].path == wantedKey && r.name == wantedName;
            }
            return false;
        };
        std::string out;
        out.reserve(text.size());
        std::size_t copied = 0;
        bool changed = false;
        for (const Record& r : records) {
            if (!drops(r)) continue;
            out.append(text, copied, r.begin - copied);
            copied = r.next;
            changed = true;
        }
        if (!changed) return true;
        out.append(text, copied, std::string::npos);
        return WriteFileAtomic(path_, out);
    } catch (const std::exception&) {
        return false;
    }
}
