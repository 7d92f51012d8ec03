#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "platform/AsciiText.h"

#include "platform/PathSearch.h"

#include <climits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace {

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct Classified {
    LineKind kind = LineKind::kOther;
    std::string_view name;          // section or key name, blanks trimmed
    std::string_view value;         // key lines: the value, blanks trimmed
    std::size_t valueOffset = 0;    // key lines: offset in the line just after "=" and its blanks
};

Classified Classify(std::string_view line) {
    Classified result;
    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size()) {
        result.kind = LineKind::kBlank;
        return result;
    }
    if (line[first] == ';') {
        result.kind = LineKind::kComment;
        return result;
    }
    if (line[first] == '[') {
        // A "[" without its "]" is neither a section nor a key: it is kept and ignored.
        const std::size_t close = line.find(']', first + 1);
        if (close != std::string_view::npos) {
            result.kind = LineKind::kSection;
            result.name = TrimBlanks(line.substr(first + 1, close - first - 1));
        }
        return result;
    }
    const std::size_t equals = line.find('=', first);
    if (equals == std::string_view::npos) return result;
    result.name = TrimBlanks(line.substr(first, equals - first));
    if (result.name.empty()) return result;
    result.kind = LineKind::kKey;
    std::size_t valueStart = equals + 1;
    while (valueStart < line.size() && IsBlank(line[valueStart])) ++valueStart;
    result.valueOffset = valueStart;
    result.value = TrimBlanks(line.substr(valueStart));
    return result;
}

// The value of key in the first section named section, before quote removal
// and cutting; nothing when the section or the key is missing.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    std::size_t pos = 0;
    TextLine line;
    bool inSection = false;
    while (NextTextLine(text, pos, line)) {
        const Classified c = Classify(text.substr(line.begin, line.end - line.begin));
        if (c.kind == LineKind::kSection) {
            if (inSection) return std::nullopt;   // only the first of duplicated sections counts
            inSection = EqualNoCase(c.name, section);
        } else if (inSection && c.kind == LineKind::kKey && EqualNoCase(c.name, key)) {
            return c.value;
        }
    }
    return std::nullopt;
}

// What a 260-character buffer receives: the text up to its first NUL, at
// most kBufferSize - 1 characters.
std::string CutToBuffer(std::string_view text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    return std::string(text.substr(0, ProfileFile::kBufferSize - 1));
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Leading blanks, a sign, decimal digits; the rest is ignored. Values beyond
// the range of int saturate at INT_MIN / INT_MAX.
int ParseLeadingInt(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > limit) magnitude = limit;   // keeps the product in range
        ++pos;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names and values that would change the file's structure when written
// (a line break, a "]" in a section name, "=" in a key) are refused.
bool IsWritable(std::string_view section, std::string_view key, std::string_view value) {
    if (section.empty() || key.empty()) return false;
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    if (key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[') return false;
    return true;
}

// text with key of section set to value: the key's line replaced in place,
// or the key added at the end of its section, or the section added at the
// end. May throw std::bad_alloc or std::length_error.
std::string WithValue(const std::string& text, std::string_view section, std::string_view key,
                      const std::string& value) {
    // The file keeps its own line ends; a file without any gets LF.
    const std::string eol = FirstLineEnd(text, "\n");

    std::size_t pos = 0;
    TextLine line;
    bool inSection = false;
    bool sectionFound = false;
    TextLine lastNonBlank;   // of the matching section, its header included
    std::optional<TextLine> keyLine;
    std::size_t keyValueOffset = 0;
    while (NextTextLine(text, pos, line)) {
        const Classified c = Classify(std::string_view(text).substr(line.begin, line.end - line.begin));
        if (c.kind == LineKind::kSection) {
            if (inSection) break;
            if (!sectionFound && EqualNoCase(c.name, section)) {
                inSection = sectionFound = true;
                lastNonBlank = line;
            }
            continue;
        }
        if (!inSection) continue;
        if (c.kind != LineKind::kBlank) lastNonBlank = line;
        if (c.kind == LineKind::kKey && EqualNoCase(c.name, key)) {
            keyLine = line;
            keyValueOffset = c.valueOffset;
            break;
        }
    }

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (keyLine) {
        // Indentation, the key as spelt in the file and the blanks around
        // "=" stay; only the value changes.
        out.append(text, 0, keyLine->begin + keyValueOffset);
        out += value;
        out.append(text, keyLine->end, std::string::npos);
    } else if (sectionFound) {
        const std::size_t at = lastNonBlank.next;
        out.append(text, 0, at);
        if (!lastNonBlank.terminated) out += eol;
        out.append(key).append("=").append(value).append(eol);
        out.append(text, at, std::string::npos);
    } else {
        out = text;
        if (!out.empty() && out.back() != '\n') out += eol;
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
    }
    return out;
}

}  // namespace

std::string ProfileFile::StringIn(const std::string& text, const std::string& section, const std::string& key,
                                  const std::string& defaultValue) {
    if (auto value = FindValue(text, TrimBlanks(section), TrimBlanks(key))) return CutToBuffer(Unquote(*value));
    return CutToBuffer(defaultValue);
}

std::string ProfileFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    std::string text;
    if (ReadWholeFile(path_, text, kMaxInputFileSize)) return StringIn(text, section, key, defaultValue);
    return CutToBuffer(defaultValue);
}

std::string ProfileFile::ReadPath(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const {
    std::string text;
    if (ReadWholeFile(path_, text, kMaxInputFileSize)) {
        if (auto value = FindValue(text, TrimBlanks(section), TrimBlanks(key))) {
            std::string_view path = Unquote(*value);
            path = path.substr(0, path.find('\0'));
            if (path.size() < kMaxPathSize) return std::string(path);
        }
    }
    return defaultValue;
}

int ProfileFile::ReadInt(const std::string& section, const std::string& key, int defaultValue) const {
    std::string text;
    if (!ReadWholeFile(path_, text, kMaxInputFileSize)) return defaultValue;
    const auto value = FindValue(text, TrimBlanks(section), TrimBlanks(key));
    if (!value) return defaultValue;
    const std::string buffer = CutToBuffer(Unquote(*value));
    if (buffer.empty()) return defaultValue;
    return ParseLeadingInt(buffer);
}

bool ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    return WriteStrings(section, {{key, value}});
}

bool ProfileFile::SetStrings(std::string& text, const std::string& sectionName,
                             const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string_view section = TrimBlanks(sectionName);
    for (const auto& [key, value] : values)
        if (!IsWritable(section, TrimBlanks(key), value)) return false;
    try {
        std::string changed = text;
        for (const auto& [key, value] : values) changed = WithValue(changed, section, TrimBlanks(key), value);
        text.swap(changed);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool ProfileFile::WriteStrings(const std::string& section,
                               const std::vector<std::pair<std::string, std::string>>& values) {
    if (values.empty()) return true;
    // Two programs saving different keys at once both keep theirs.
    const FolderWriteLock lock(path_);
    std::string text;
    if (!ReadWholeFile(path_, text, kMaxInputFileSize) && FileExists(path_)) return false;   // never clobber what we cannot read
    return SetStrings(text, section, values) && WriteFileAtomic(path_, text);
}
