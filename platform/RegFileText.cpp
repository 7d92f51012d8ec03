#include "platform/RegFileText.h"

#include "platform/AsciiText.h"

#include <iterator>

namespace regfile {

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}


namespace {

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

}  // namespace

bool IsLineText(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t') return false;
    }
    return IsUtf8(text);
}

std::string FullKeyPath(std::string_view key) {
    while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
    std::string full(RegistryStore::kMachineRoot);
    if (!key.empty()) full.append("\\").append(key);
    return full;
}

namespace {

std::string NormalizedFilePath(std::string_view path) {
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return LowerAscii(path);
}

}  // namespace

bool HasPrefix(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsSameOrBelow(const std::string& path, const std::string& ancestor) {
    return path.size() >= ancestor.size() && path.compare(0, ancestor.size(), ancestor) == 0 &&
           (path.size() == ancestor.size() || path[ancestor.size()] == '\\');
}

namespace {

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

}  // namespace

ParsedFile Parse(std::string_view text, const std::string& path) { return Parser(text, path).Run(); }

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

}  // namespace regfile
