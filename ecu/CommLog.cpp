#include "ecu/CommLog.h"

#include <chrono>
#include <cstdio>

#include "model/Strings.h"

namespace {

const auto g_programStart = std::chrono::steady_clock::now();

std::string Format(const std::string& format, const CommLogFields& fields, const std::string& text) {
    // The formats take plain ints; the fields are cut to that size here.
    const int time = static_cast<int>(fields.timeMs);
    const int count = static_cast<int>(fields.count);
    const int size = std::snprintf(nullptr, 0, format.c_str(), time, static_cast<unsigned>(fields.buffer), count,
                                   fields.countdown, fields.error, text.c_str());
    if (size <= 0) return std::string();
    std::string line(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(line.data(), line.size(), format.c_str(), time, static_cast<unsigned>(fields.buffer), count,
                  fields.countdown, fields.error, text.c_str());
    line.resize(static_cast<std::size_t>(size));
    return line;
}

}  // namespace

std::string CommLogReadLine(const CommLogFields& fields, const std::string& label) {
    return Format(Str(str::kCommLogRead), fields, label);
}

std::string CommLogWriteLine(const CommLogFields& fields, const std::string& label) {
    return Format(Str(str::kCommLogWrite), fields, label);
}

std::string CommLogEventLine(const CommLogFields& fields, const std::string& text) {
    return Format(commlog::kEventFormat, fields, text);
}

long ProgramClockMs() {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - g_programStart)
                                 .count());
}
