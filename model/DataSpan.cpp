#include "model/DataSpan.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Hex4(unsigned address) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", address & 0xFFFFu);
    return text;
}

}  // namespace

std::string DataSpan::Text() const {
    if (start > end) return "no data";
    if (start == end) return "only the checksum " + Hex4(end);
    const std::string data = end - 1u == start ? Hex4(start) : Hex4(start) + "-" + Hex4(end - 1u);
    return data + "; " + Hex4(end) + " is the checksum";
}

std::string MissingRuns(const DataSpan& span, const std::vector<std::uint16_t>& addresses) {
    // A map of 255 cells with its axes is a few hundred addresses: a flag per
    // address keeps this linear and puts the runs in order.
    std::vector<bool> missing(0x10000, false);
    bool any = false;
    for (std::uint16_t address : addresses) {
        if (span.Holds(address)) continue;
        missing[address] = true;
        any = true;
    }
    if (!any) return {};
    constexpr int kShownRuns = 4;
    std::string text;
    int runs = 0;
    for (std::uint32_t address = 0; address < missing.size(); ++address) {
        if (!missing[address]) continue;
        std::uint32_t last = address;
        while (last + 1 < missing.size() && missing[last + 1]) ++last;
        if (runs == kShownRuns) {
            text += ", ...";
            break;
        }
        if (runs > 0) text += ", ";
        text += Hex4(address);
        if (last > address) text += "-" + Hex4(last);
        ++runs;
        address = last;
    }
    return text;
}

std::string OutsideDataText(const DataSpan& span, const std::vector<std::uint16_t>& addresses,
                            const std::string& whose) {
    const std::string runs = MissingRuns(span, addresses);
    if (runs.empty()) return {};
    const bool one = runs.find_first_of("-,") == std::string::npos;
    return (one ? "byte " : "bytes ") + runs + (one ? " lies" : " lie") + " outside the data " + whose + " (" +
           span.Text() + ")";
}
