#include "model/Maps.h"

namespace {

// One past the last address of the image, as a wide value.
constexpr std::uint32_t kImageEnd = static_cast<std::uint32_t>(kImageSize);
// The Y count is an 8-bit field: a table of 256 cells or more would reserve
// too few DATA bytes and the next map would overlap it.
constexpr std::uint32_t kMaxCells = 255;

}  // namespace

MapRecord* FindMap(const MapList& maps, std::string_view name) {
    for (const auto& map : maps) {
        if (map && map->name == name) return map.get();
    }
    return nullptr;
}

bool LayoutFreeMap(const Image& image, MapRecord& map, std::uint32_t& address) {
    // The two count bytes must lie inside the image before they are read.
    if (address + 2 > kImageEnd) return false;
    const std::uint32_t a = address;
    const std::uint32_t zc = image[a];
    const std::uint32_t xc = image[a + 1];
    const std::uint32_t cells = zc * xc;
    if (cells > kMaxCells) return false;

    const std::uint32_t zStart = a + 2;
    const std::uint32_t xStart = zStart + zc;
    const std::uint32_t xBlock = map.type == kMapRpmPerRow ? cells : xc;
    const std::uint32_t yStart = xStart + xBlock;
    const std::uint32_t next = yStart + cells;
    // Wide arithmetic: the last byte of the map (DATA block, or the last axis
    // byte of an empty map) must be at 0xFFFF or below, never wrapped to 0.
    if (next > kImageEnd) return false;

    // Starts past the last byte belong to empty blocks at the very end; they
    // are never read, so the 16-bit value does not matter.
    map.base = static_cast<std::uint16_t>(a);
    map.z.count = static_cast<std::uint8_t>(zc);
    map.x.count = static_cast<std::uint8_t>(xc);
    map.y.count = static_cast<std::uint8_t>(cells);
    map.z.start = static_cast<std::uint16_t>(zStart);
    map.x.start = static_cast<std::uint16_t>(xStart);
    map.y.start = static_cast<std::uint16_t>(yStart);
    address = next;
    return true;
}

bool LayoutFreeMap(const Image& image, MapRecord& map, std::uint16_t& a) {
    std::uint32_t address = a;
    if (!LayoutFreeMap(image, map, address)) return false;
    a = static_cast<std::uint16_t>(address < kImageEnd ? address : kImageEnd - 1);
    return true;
}

bool LayoutMaps(const Image& image, MapList& maps, std::uint16_t areaStart) {
    std::uint32_t address = areaStart;
    for (auto& map : maps) {
        if (!map) continue;
        if (!LayoutFreeMap(image, *map, address)) return false;
    }
    return true;
}

std::uint8_t ChecksumByte(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(0x7F - sum);
}

std::uint8_t RecomputeChecksum(Image& image, std::uint16_t start, std::uint16_t end) {
    if (start > end) return image[end];
    image[end] = ChecksumByte(&image[start], static_cast<std::size_t>(end - start));
    return image[end];
}
