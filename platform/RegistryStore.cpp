#include "platform/FileIo.h"
#include "platform/RegistryStore.h"
#include "platform/RegFileText.h"
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

using namespace regfile;

constexpr std::size_t kHexBytesPerLine = 25;   // keeps written hex lines near 80 columns

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
        ParsedFile parsed = Parse(text, path_);
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
        ParsedFile parsed = Parse(text, path_);
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
        const FolderWriteLock lock(path_);   // RV_Tune, rvtune and setup may save at once
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
            ParsedFile parsed = Parse(text, path_);
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
            ParsedFile parsed = Parse(text, path_);
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
        const FolderWriteLock lock(path_);
        parseError_.clear();
        std::string text;
        const LoadResult load = LoadFile(path_, text);
        if (load == LoadResult::kMissing) return true;
        if (load == LoadResult::kUnreadable) return false;
        ParsedFile parsed = Parse(text, path_);
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
