#include "app/VerifyListing.h"

#include <algorithm>
#include <cstdio>

#include "config/Definition.h"
#include "edit/CalibrationDiff.h"
#include "model/Calibration.h"
#include "model/ValueConversion.h"

namespace {

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

// The block as a calibration of the definition: the bytes at their
// addresses, its last byte the checksum, as a data file's range is.
bool LayBlock(const Calibration& like, std::uint16_t start, const std::vector<std::uint8_t>& bytes,
              Calibration& out) {
    if (!out.AllocateImage() || bytes.empty()) return false;
    for (std::size_t i = 0; i < bytes.size() && start + i < out.image().size(); ++i)
        out.image()[start + i] = bytes[i];
    out.dataStart = start;
    const std::size_t last = std::min<std::size_t>(start + bytes.size() - 1, 0xFFFF);
    out.dataEnd = static_cast<std::uint16_t>(last);
    out.definitionLines = like.definitionLines;
    out.definitionKind = like.definitionKind;
    out.formats = like.formats;
    out.mapAreaStart = like.mapAreaStart;
    return LoadMapSection(out, out.image()) == 0;
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<std::string> VerifyListing(const Calibration& like, std::uint16_t startA,
                                       const std::vector<std::uint8_t>& a, std::uint16_t startB,
                                       const std::vector<std::uint8_t>& b, std::size_t maxLines) {
    std::vector<std::string> all;
    if (startA != startB || a.size() != b.size()) {
        auto range = [](std::uint16_t start, std::size_t size) {
            return size == 0 ? std::string("no data") : Hex4(start) + "-" + Hex4(static_cast<unsigned>(start + size - 1));
        };
        all.push_back("the ranges differ: " + range(startA, a.size()) + " against " + range(startB, b.size()));
    }
    Calibration sideA, sideB;
    if (!LayBlock(like, startA, a, sideA) || !LayBlock(like, startB, b, sideB)) {
        all.push_back("the maps could not be laid over the data; compare the bytes in the exchange window");
    } else {
        const CalibrationDifferences differences = DiffCalibrations(sideA, sideB);
        for (const MapDifference& map : differences.maps) {
            if (map.shapeDiffers) {
                all.push_back("map " + map.name + ": its shape differs (counts or element sizes)");
                continue;
            }
            std::string line = "map " + map.name + ": ";
            const std::size_t cells = DifferingCells(map), axes = DifferingAxisValues(map);
            if (cells > 0) line += Count(cells, "cell", "cells");
            if (axes > 0) line += std::string(cells > 0 ? " and " : "") + Count(axes, "axis value", "axis values");
            if (cells == 0 && axes == 0) line += "values only one side holds";
            line += cells + axes == 1 ? " differs" : " differ";
            if (cells > 0) {
                const MapRecord* shown = nullptr;
                for (const auto& m : sideA.maps)
                    if (m->name == map.name) shown = m.get();
                line += ", largest by " + FormatData(map.largest, shown, sideA.formats);
            }
            all.push_back(line);
        }
        for (const ConstantDifference& constant : differences.constants) {
            all.push_back("constant " + constant.name + ": " + (constant.inA ? constant.a : "(none)") + " against " +
                          (constant.inB ? constant.b : "(none)"));
        }
        for (const ByteRangeDifference& range : differences.bytes) {
            const unsigned count = static_cast<unsigned>(range.last - range.first + 1);
            all.push_back(count == 1 ? "byte " + Hex4(range.first) + " differs"
                                     : "bytes " + Hex4(range.first) + "-" + Hex4(range.last) + " differ");
        }
        if (differences.Empty() && startA == startB && a.size() == b.size())
            all.push_back("only the checksum byte " + Hex4(static_cast<unsigned>(startA + a.size() - 1)) + " differs");
    }
    if (all.size() <= maxLines) return all;
    const std::size_t kept = maxLines > 0 ? maxLines - 1 : 0;
    std::vector<std::string> lines(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(kept));
    lines.push_back("... and " + std::to_string(all.size() - kept) + " more");
    return lines;
}
