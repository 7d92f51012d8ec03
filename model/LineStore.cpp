#include "model/LineStore.h"
#include "platform/AsciiText.h"

#include <cstddef>

namespace {

// ASCII only: section names and keys are plain ASCII, and std::toupper on a
// negative char (a byte above 0x7F) is undefined.
// Empty after trimming, or a ";" comment: lines every reader skips.
bool IsSkipped(std::string_view trimmed) { return trimmed.empty() || trimmed.front() == ';'; }

}  // namespace

bool IsHeaderLine(std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    return trimmed.size() > 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

const std::string& LineStore::At(int index) const {
    static const std::string kEmpty;
    if (index < 0 || index >= Count()) return kEmpty;
    return lines_[static_cast<std::size_t>(index)];
}

void LineStore::Insert(int index, std::string line) {
    if (index < 0) index = 0;
    if (index > Count()) index = Count();
    lines_.insert(lines_.begin() + index, std::move(line));
}

void LineStore::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    lines_.erase(lines_.begin() + index);
}

void LineStore::Append(std::string line) { lines_.push_back(std::move(line)); }

int LineStore::FindSection(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string_view trimmed = TrimBlanks(lines_[static_cast<std::size_t>(i)]);
        if (!IsHeaderLine(trimmed)) continue;
        const std::string_view inner = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
        if (EqualNoCase(inner, name)) return i;
    }
    return -1;
}

std::size_t LineStore::NextLine(int& index, std::string& line) const {
    // Any index below -1 starts at the first line; one at or past the end
    // has nothing after it (and index + 1 must not overflow).
    int i = index < -1 ? 0 : (index >= Count() ? Count() : index + 1);
    for (; i < Count(); ++i) {
        const std::string_view trimmed = TrimBlanks(lines_[static_cast<std::size_t>(i)]);
        if (IsSkipped(trimmed)) continue;
        index = i;
        line.assign(trimmed);
        return line.size();
    }
    index = Count();
    line.clear();
    return 0;
}

int LineStore::NextKeyLine(int index) const {
    std::string line;
    if (NextLine(index, line) == 0) return -1;
    return IsHeaderLine(line) ? -1 : index;
}

bool LineStore::GetLine(int index, std::string& line) const {
    if (index < 0 || index >= Count()) return false;
    const std::string_view trimmed = TrimBlanks(lines_[static_cast<std::size_t>(index)]);
    if (IsSkipped(trimmed)) return false;
    line.assign(trimmed);
    return true;
}

bool LineStore::GetValue(std::string_view section, std::string_view key, char separator,
                         std::string& value) const {
    int index = FindSection(section);
    if (index < 0) return false;
    std::string line;
    while (NextLine(index, line) > 0) {
        if (IsHeaderLine(line)) return false;
        const std::size_t split = line.find(separator);
        if (split == std::string::npos) continue;
        if (!EqualNoCase(TrimBlanks(std::string_view(line).substr(0, split)), key)) continue;
        value.assign(TrimBlanks(std::string_view(line).substr(split + 1)));
        for (char& c : value) c = AsciiUpper(c);
        return true;
    }
    return false;
}
