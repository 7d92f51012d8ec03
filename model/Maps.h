#pragma once
// Operations on the whole set of maps and on the data range of the image.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/Image.h"
#include "model/MapRecord.h"

// The map with that exact name, or nullptr.
MapRecord* FindMap(const MapList& maps, std::string_view name);

// Free Map layout from the image, walking the maps from areaStart: each map's
// counts are the two bytes at its base, then THROT, RPM and DATA follow.
// Returns false, leaving the layout of the maps before it, when a map holds
// more than 255 cells or would run past address 0xFFFF; maps never overlap
// and never wrap around the image.
bool LayoutMaps(const Image& image, MapList& maps, std::uint16_t areaStart);
// Lays out one Free Map at address a; on success a moves past the map. On
// failure neither the map nor a changes. A map that ends on the last byte of
// the image leaves a at 0xFFFF, where no further map fits (its two count
// bytes alone would run past the image), so a walk never wraps to 0.
bool LayoutFreeMap(const Image& image, MapRecord& map, std::uint16_t& a);
// The same with a wide running address: a map ending on the last byte of the
// image moves address to 0x10000, and any map asked for there is refused.
bool LayoutFreeMap(const Image& image, MapRecord& map, std::uint32_t& address);

// The checksum byte after count bytes: 0x7F - their 8-bit sum, so that the
// 8-bit sum of the bytes and the checksum is 0x7F.
std::uint8_t ChecksumByte(const std::uint8_t* bytes, std::size_t count);

// image[end] = 0x7F - 8-bit sum of image[start .. end-1], so that the 8-bit
// sum of the whole range is 0x7F. Returns the new checksum byte. A one-byte
// range (start == end) gets 0x7F. Nothing is written when start > end: the
// range is empty and the byte at end is returned as it is.
std::uint8_t RecomputeChecksum(Image& image, std::uint16_t start, std::uint16_t end);
