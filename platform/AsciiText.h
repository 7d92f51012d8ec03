#pragma once
// Text helpers for the file formats the program reads: names and keys are
// plain ASCII compared without regard to case, and only blanks and tabs
// count as white space around fields. ASCII only on purpose: std::toupper on
// a byte above 0x7F (a negative char) is undefined.
#include <cstddef>
#include <string_view>

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The white space the C library's number reading skips (isspace in the C
// locale): where the program reads numbers as scanf and strtod do.
inline bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The value of one hex digit (0-9, a-f, A-F), or -1.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

// Blanks and tabs removed at both ends.
inline std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// One physical line of a file's text: [begin, end) is its text without the
// line end; next is where the following line starts (text.size() after the
// last line). LF ends a line; a CR just before it belongs to the line end.
struct TextLine {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool terminated = false;   // ends with LF (or CR LF)
};

// The line that starts at pos, and pos moved on to the next one; false when
// pos is at the end of text.
inline bool NextTextLine(std::string_view text, std::size_t& pos, TextLine& line) {
    if (pos >= text.size()) return false;
    line.begin = pos;
    const std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) {
        line.end = line.next = text.size();
        line.terminated = false;
    } else {
        line.end = (lf > pos && text[lf - 1] == '\r') ? lf - 1 : lf;
        line.next = lf + 1;
        line.terminated = true;
    }
    pos = line.next;
    return true;
}

// The line end of the text's first line: "\r\n" or "\n"; fallback when the
// text has no line end at all.
inline const char* FirstLineEnd(std::string_view text, const char* fallback) {
    const std::size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return fallback;
    return (lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
}
