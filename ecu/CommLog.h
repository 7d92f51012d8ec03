#pragma once
// The lines of the communication log. Every line has six comma-separated
// fields: time in ms, the first byte of the transfer buffer after the call,
// the bytes moved, the silence countdown, the system's error code, and the
// function name ("ReadFile:" or "WriteFile:" with the caller's label) or a
// plain event text.
#include <cstddef>
#include <cstdint>
#include <string>

namespace commlog {
constexpr const char* kEventFormat = "%d, %02X, %d, %d, %d, %s\n";
constexpr const char* kOpenEvent = "Open COM%d";
constexpr const char* kCloseEvent = "Close COM%d";
}  // namespace commlog

struct CommLogFields {
    long timeMs = 0;
    std::uint8_t buffer = 0;
    std::size_t count = 0;
    int countdown = 0;
    int error = 0;
};

std::string CommLogReadLine(const CommLogFields& fields, const std::string& label);
std::string CommLogWriteLine(const CommLogFields& fields, const std::string& label);
std::string CommLogEventLine(const CommLogFields& fields, const std::string& text);

// Milliseconds since the program started (first call of this function or of
// a log line), the log's time field.
long ProgramClockMs();
