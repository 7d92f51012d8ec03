#pragma once
// The ECU memory image: one byte per 16-bit address. Address arithmetic is
// 16-bit throughout, so a word at 0xFFFF wraps to 0x0000 instead of reading
// past the array.
#include <array>
#include <cstdint>

constexpr std::size_t kImageSize = 0x10000;
using Image = std::array<std::uint8_t, kImageSize>;

// Words are stored high byte first.
inline std::uint16_t ReadWord(const Image& image, std::uint16_t address) {
    return static_cast<std::uint16_t>(image[address] << 8 |
                                      image[static_cast<std::uint16_t>(address + 1)]);
}
inline void WriteWord(Image& image, std::uint16_t address, std::uint16_t value) {
    image[address] = static_cast<std::uint8_t>(value >> 8);
    image[static_cast<std::uint16_t>(address + 1)] = static_cast<std::uint8_t>(value & 0xFF);
}
