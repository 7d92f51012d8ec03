#pragma once
// A small calibration for the cell-edit tests: one Free Map of 3 THROT rows
// by 4 RPM columns laid out from 0x0100, its DATA shown as x * 0.5 (0..100),
// and an EditContext over a zero image that records every map-link call.
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "edit/EditContext.h"
#include "model/Image.h"
#include "model/MapRecord.h"

struct LinkCall {
    std::uint16_t address;
    std::uint8_t value;
    int suppress;
    bool operator==(const LinkCall& o) const {
        return std::tie(address, value, suppress) == std::tie(o.address, o.value, o.suppress);
    }
};

struct EditFixture : ::testing::Test {
    std::unique_ptr<Image> imageBlock = std::make_unique<Image>();
    Image& image = *imageBlock;
    int modified = 0;
    ValueFormats formats;
    EditContext context{image, modified, formats};
    std::vector<LinkCall> links;
    std::vector<std::pair<int, std::string>> lineList;
    MapRecord map;

    EditFixture() {
        image.fill(0);
        context.propagate = [this](std::uint16_t a, std::uint8_t v, int s) { links.push_back({a, v, s}); };
        context.lineListUpdate = [this](int column, const std::string& text) {
            lineList.emplace_back(column, text);
        };
        context.currentMap = &map;
        MakeFreeMap(kMapOneRpmRow);
    }

    // Counts at 0x0100, THROT from 0x0102, RPM after it (one row, or one per
    // THROT row for type 2), DATA after the RPM block.
    void MakeFreeMap(int type) {
        map.type = type;
        map.base = 0x0100;
        image[0x0100] = 3;
        image[0x0101] = 4;
        map.z = Item("THROT", 3, 0x0102, "x", "x", "0", "255");
        const int rpmBytes = type == kMapRpmPerRow ? 12 : 4;
        map.x = Item("RPM", 4, 0x0105, "x*50", "x/50", "0", "12750");
        map.y = Item("DATA", 12, static_cast<std::uint16_t>(0x0105 + rpmBytes), "x*0.5", "x*2", "0", "100");
        const std::uint8_t throt[] = {10, 20, 30};
        for (int i = 0; i < 3; ++i) image[map.z.start + i] = throt[i];
        for (int i = 0; i < rpmBytes; ++i) image[map.x.start + i] = static_cast<std::uint8_t>(20 + 10 * (i % 4));
        for (int i = 0; i < 12; ++i) image[map.y.start + i] = static_cast<std::uint8_t>(2 * i);
    }

    static MapItem Item(const char* name, std::uint8_t count, std::uint16_t start, const char* toPhys,
                        const char* toHex, const char* min, const char* max) {
        MapItem item;
        item.name = name;
        item.count = count;
        item.start = start;
        item.hexToPhys = toPhys;
        item.physToHex = toHex;
        item.minimum = min;
        item.maximum = max;
        return item;
    }

    void PutCursor(int mode, int row, int column, std::uint16_t raw) {
        map.cursor.mode = mode;
        map.cursor.row = row;
        map.cursor.column = column;
        map.cursor.raw = raw;
    }

    std::uint8_t Data(int row, int column) const { return image[map.y.start + row * 4 + column]; }
};
