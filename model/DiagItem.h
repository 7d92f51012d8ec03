#pragma once
// A live value the ECU reports on request: one line of the definition's
// "Diag.Com" section.
#include <cstdint>
#include <string>

struct DiagItem {
    std::uint8_t request = 0;   // the byte sent to ask for the item
    int answerLength = 1;       // 1 or 2 bytes, high byte first
    std::string name;           // row label; stored in the monitor selection
    std::string unit;
    std::string factor;         // decimal real as text
    std::string offset;         // decimal real as text
};
