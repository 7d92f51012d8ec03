#pragma once
// printf-style formatting into a string of the size the text needs.
#include <string>

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string FormatText(const char* format, ...);
