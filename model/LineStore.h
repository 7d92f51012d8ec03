#pragma once
// The data file lines and the definition lines: ordered text lines without
// their line ends, with the one section grammar both files share.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/AsciiText.h"


class LineStore {
public:
    int Count() const { return static_cast<int>(lines_.size()); }
    // The raw line; an empty text for an index out of range.
    const std::string& At(int index) const;
    void Insert(int index, std::string line);   // index clamped to 0..Count()
    void Remove(int index);                     // out of range: nothing happens
    void Append(std::string line);
    void Clear() { lines_.clear(); }
    void Reserve(std::size_t count) { lines_.reserve(count); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // All lines out at once, leaving the store empty; and all in at once.
    std::vector<std::string> Take() { return std::exchange(lines_, {}); }
    void Replace(std::vector<std::string> lines) { lines_ = std::move(lines); }

    // Index of the header line "[name]" (blanks inside the brackets ignored,
    // names compared without regard to case), or -1. The first one wins.
    int FindSection(std::string_view name) const;
    // The next line after index that is neither empty nor a comment (";"),
    // trimmed; index moves onto it. Returns its length, 0 at the end of the
    // store (index then equals Count()). Header lines are returned too.
    std::size_t NextLine(int& index, std::string& line) const;
    // Index of the next line after index that is neither empty nor a comment,
    // or -1 when that line is a section header or the store ends.
    int NextKeyLine(int index) const;
    // The trimmed line, or false when it is empty, a comment or out of range.
    bool GetLine(int index, std::string& line) const;
    // Within section, the first line whose part before the first separator,
    // trimmed, equals key without regard to case: the part after it, trimmed
    // and in upper case. Stops at the next section header.
    bool GetValue(std::string_view section, std::string_view key, char separator,
                  std::string& value) const;

private:
    std::vector<std::string> lines_;
};

// A header line: longer than 2 characters after trimming, "[" first, "]" last.
bool IsHeaderLine(std::string_view line);
