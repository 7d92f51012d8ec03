// splashpaint: draws the start-up picture of RV_Tune and writes it as the
// two bitmap files that ship beside the program.
//   splashpaint <folder>   writes <folder>/RV_TuneFc.bmp (24 bits, screens
//                          of 16 bits or more) and <folder>/RV_Tune.bmp
//                          (8 bits with a colour table, the other screens)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "platform/BitmapFile.h"
#include "platform/FileIo.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 160;

// 5 x 7 capitals, one string of five '#' or '.' per row.
const std::map<char, const char*> kGlyphs = {
    {'A', ".###.#...##...#######...##...##...#"}, {'C', ".#####....#....#....#....#.....####"},
    {'D', "####.#...##...##...##...##...#####."}, {'E', "######....#....####.#....#....#####"},
    {'F', "######....#....####.#....#....#...."}, {'G', ".#####....#....#..###...##...#.####"},
    {'I', ".###...#....#....#....#....#...###."}, {'J', "..###...#....#....#....#.#..#..##.."},
    {'L', "#....#....#....#....#....#....#####"}, {'N', "#...###..##.#.##..###...##...##...#"},
    {'O', ".###.#...##...##...##...##...#.###."}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
    {'T', "#####..#....#....#....#....#....#.."}, {'U', "#...##...##...##...##...##...#.###."},
    {'V', "#...##...##...##...#.#.#..#.#...#.."}, {'.', "..............................##..."},
    {'0', ".###.#...##..###.#.###..##...#.###."}, {'1', "..#...##....#....#....#....#...###."},
    {'3', "####.....#....#.###.....#....#####."}, {' ', "..................................."},
};

struct Canvas {
    Bitmap b;
    Canvas() {
        b.width = kWidth;
        b.height = kHeight;
        b.pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, 0xFF000000u);
    }
    void Set(int x, int y, std::uint32_t rgb) {
        if (x >= 0 && y >= 0 && x < kWidth && y < kHeight)
            b.pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] = 0xFF000000u | rgb;
    }
    void Text(const std::string& text, int x, int y, int scale, std::uint32_t rgb) {
        for (char c : text) {
            const auto glyph = kGlyphs.find(c);
            if (glyph != kGlyphs.end())
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (glyph->second[row * 5 + col] == '#')
                            for (int dy = 0; dy < scale; ++dy)
                                for (int dx = 0; dx < scale; ++dx)
                                    Set(x + col * scale + dx, y + row * scale + dy, rgb);
            x += 6 * scale;
        }
    }
    static int TextWidth(const std::string& text, int scale) { return static_cast<int>(text.size()) * 6 * scale - scale; }
};

std::uint32_t Rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

Bitmap Paint() {
    Canvas c;
    // Night-blue background, lighter towards the bottom, in 32 steps so
    // that the 8-bit file can keep every colour.
    for (int y = 0; y < kHeight; ++y) {
        const int step = y * 32 / kHeight;
        for (int x = 0; x < kWidth; ++x) c.Set(x, y, Rgb(10 + step, 20 + step * 2, 60 + step * 3));
    }
    // A wheel with five spokes at the right.
    const int cx = 274, cy = 48, outer = 34, inner = 26;
    for (int y = cy - outer; y <= cy + outer; ++y)
        for (int x = cx - outer; x <= cx + outer; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            if (d <= outer && d >= inner) c.Set(x, y, Rgb(30, 30, 36));
            else if (d < inner && d >= inner - 3) c.Set(x, y, Rgb(200, 200, 210));
            else if (d < 7) c.Set(x, y, Rgb(200, 200, 210));
        }
    for (int spoke = 0; spoke < 5; ++spoke) {
        const double a = spoke * 2 * 3.14159265358979 / 5 - 3.14159265358979 / 2;
        for (int r = 7; r < inner - 3; ++r)
            for (int w = -1; w <= 1; ++w)
                c.Set(cx + static_cast<int>(std::lround(r * std::cos(a) - w * std::sin(a))),
                      cy + static_cast<int>(std::lround(r * std::sin(a) + w * std::cos(a))), Rgb(230, 120, 20));
    }
    // The name, its line, and what the program is for.
    c.Text("ORVANDEL", 20, 36, 4, Rgb(245, 245, 240));
    for (int x = 20; x < 20 + Canvas::TextWidth("ORVANDEL", 4); ++x)
        for (int y = 70; y < 74; ++y) c.Set(x, y, Rgb(230, 120, 20));
    c.Text("FUEL INJECTION TUNING", 20, 86, 2, Rgb(200, 210, 230));
    c.Text("RV TUNE 1.3.0", 20, 130, 1, Rgb(150, 160, 190));
    // A thin frame round the whole picture.
    for (int x = 0; x < kWidth; ++x) c.Set(x, 0, Rgb(230, 120, 20)), c.Set(x, kHeight - 1, Rgb(230, 120, 20));
    for (int y = 0; y < kHeight; ++y) c.Set(0, y, Rgb(230, 120, 20)), c.Set(kWidth - 1, y, Rgb(230, 120, 20));
    // The colour table of the 8-bit file: every colour used.
    for (std::uint32_t p : c.b.pixels) {
        const std::uint32_t rgb = p & 0xFFFFFFu;
        bool known = false;
        for (std::uint32_t e : c.b.palette) known = known || e == rgb;
        if (!known) c.b.palette.push_back(rgb);
    }
    return c.b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: splashpaint <folder>\n");
        return 2;
    }
    const Bitmap picture = Paint();
    if (picture.palette.size() > 256) {
        std::fprintf(stderr, "splashpaint: %zu colours do not fit a colour table\n", picture.palette.size());
        return 1;
    }
    const std::string folder = argv[1];
    const std::pair<const char*, int> files[] = {{"/RV_TuneFc.bmp", 24}, {"/RV_Tune.bmp", 8}};
    for (const auto& [name, bits] : files) {
        if (!WriteFileAtomic(folder + name, EncodeBitmap(picture, bits))) {
            std::fprintf(stderr, "splashpaint: cannot write %s%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}
