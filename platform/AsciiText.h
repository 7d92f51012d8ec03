#pragma once
// Text helpers for the file formats the program reads: names and keys are
// plain ASCII compared without regard to case, and only blanks and tabs
// count as white space around fields. ASCII only on purpose: std::toupper on
// a byte above 0x7F (a negative char) is undefined.
#include <cstddef>
#include <string_view>

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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
