#pragma once
// What every benchmark program prints for bench/run: one line per table row,
// "ROW", then the columns separated by tabs (what, reference, measured,
// target, verdict). bench/run collects them into one table.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace rows {

// The median of the figures (the mean of the middle two for an even count);
// 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The value below which the fraction q (0..1) of the figures lie, by the
// nearest rank; 0 for none.
inline double Percentile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    std::size_t rank = static_cast<std::size_t>(q * static_cast<double>(values.size()) + 0.999999);
    rank = std::clamp<std::size_t>(rank, 1, values.size());
    return values[rank - 1];
}

inline std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

inline const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

inline void Print(const std::string& what, const std::string& reference, const std::string& measured,
                  const std::string& target, const std::string& verdict) {
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\n", what.c_str(), reference.c_str(), measured.c_str(),
                target.c_str(), verdict.c_str());
    std::fflush(stdout);
}

// "--runs N" among the arguments, else fallback (at least 1).
inline int RunsArgument(int argc, char** argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") {
            const int n = std::atoi(argv[i + 1]);
            return n > 0 ? n : fallback;
        }
    }
    return fallback;
}

inline bool HasArgument(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == name) return true;
    return false;
}

}  // namespace rows
