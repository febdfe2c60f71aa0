// decodeBmp on hand-built files: every stored form, the colour-table rules, the
// run-length codes, and every way a file can lie about itself.
#include "assets/bmp_decode.h"
#include "tests/unit/bmp_builder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

using namespace bmptest;

namespace {

struct Decoded {
    bool ok = false;
    const char* failure = nullptr;
    int32_t width = 0, height = 0;
    Bytes rgb;
};

Decoded decode(const Bytes& file) {
    Decoded d;
    // Decode from an exact-size heap copy so ASan sees any read past the end.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(file.size() ? file.size() : 1));
    if (!file.empty()) std::memcpy(copy, file.data(), file.size());
    ImageRecord* r = decodeBmp(copy, file.size(), &d.failure);
    std::free(copy);
    if (!r) return d;
    d.ok = true;
    d.width = r->sizeX;
    d.height = r->sizeY;
    d.rgb.assign(r->data, r->data + size_t(r->sizeX) * size_t(r->sizeY) * 3);
    std::free(r->data);
    std::free(r);
    return d;
}

// The expected result: rows bottom first, colour(x, row) with row 0 the bottom.
Bytes expectedRgb(int width, int rows, const std::function<Rgb3(int, int)>& colour) {
    Bytes out;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb3 c = colour(x, y);
            out.push_back(c.r);
            out.push_back(c.g);
            out.push_back(c.b);
        }
    return out;
}

uint32_t packRgb(Rgb3 c) { return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

// A small run-length encoder: runs where pixels repeat, literal groups of three
// or more elsewhere, one end-of-line per row and an end-of-picture code.
Bytes encodeRle(int bpp, int width, int rows, const std::function<uint32_t(int, int)>& index) {
    Bytes out;
    for (int y = 0; y < rows; ++y) {
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && index(x + run, y) == index(x, y)) ++run;
            if (run >= 2 || width - x < 3) {
                out.push_back(uint8_t(run));
                const uint32_t v = index(x, y);
                out.push_back(uint8_t(bpp == 4 ? (v << 4 | v) : v));
                x += run;
                continue;
            }
            int lit = 3;
            while (x + lit < width && lit < 255 && index(x + lit, y) != index(x + lit - 1, y))
                ++lit;
            out.push_back(0);
            out.push_back(uint8_t(lit));
            Bytes group;
            for (int i = 0; i < lit; ++i) {
                const uint32_t v = index(x + i, y);
                if (bpp == 8)
                    group.push_back(uint8_t(v));
                else if (i % 2 == 0)
                    group.push_back(uint8_t(v << 4));
                else
                    group.back() |= uint8_t(v);
            }
            if (group.size() % 2) group.push_back(0);
            out.insert(out.end(), group.begin(), group.end());
            x += lit;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

// ---- One picture, every stored form -------------------------------------------

const int W = 7;  // odd, so every depth has row padding
const int H = 3;
const std::vector<Rgb3> PALETTE = testPalette(16);

uint32_t indexAt(int x, int row) { return uint32_t((x * 5 + row * 3 + (x > 3 ? 1 : 0)) % 16); }
uint32_t bitAt(int x, int row) { return uint32_t((x + row) % 3 == 0); }

struct Form {
    const char* name;
    BmpLayout layout;
    bool oneBit;  // the picture uses indices 0 and 1 only
};

BmpLayout indexedLayout(int bpp, bool core, bool fileHeader, bool topDown = false) {
    BmpLayout s;
    s.width = W;
    s.height = topDown ? -H : H;
    s.bpp = uint16_t(bpp);
    s.core = core;
    s.fileHeader = fileHeader;
    const int entries = bpp == 1 ? 2 : bpp == 4 ? 16 : 256;
    s.palette = testPalette(16);
    s.palette.resize(size_t(entries), Rgb3{9, 9, 9});
    if (bpp == 1) s.palette = {PALETTE[0], PALETTE[1]};
    s.pixels = packRows(bpp, W, H, [&](int x, int y) {
        const int row = topDown ? H - 1 - y : y;
        return bpp == 1 ? bitAt(x, row) : indexAt(x, row);
    });
    return s;
}

BmpLayout directLayout(int bpp, bool core, bool topDown = false) {
    BmpLayout s;
    s.width = W;
    s.height = topDown ? -H : H;
    s.bpp = uint16_t(bpp);
    s.core = core;
    s.pixels = packRows(bpp, W, H, [&](int x, int y) {
        return packRgb(PALETTE[indexAt(x, topDown ? H - 1 - y : y)]);
    });
    return s;
}

std::vector<Form> allForms() {
    std::vector<Form> f;
    f.push_back({"1-bit info", indexedLayout(1, false, true), true});
    f.push_back({"1-bit core", indexedLayout(1, true, true), true});
    f.push_back({"1-bit packed", indexedLayout(1, false, false), true});
    f.push_back({"4-bit info", indexedLayout(4, false, true), false});
    f.push_back({"4-bit core", indexedLayout(4, true, true), false});
    f.push_back({"4-bit packed core", indexedLayout(4, true, false), false});
    f.push_back({"8-bit info", indexedLayout(8, false, true), false});
    f.push_back({"8-bit core", indexedLayout(8, true, true), false});
    f.push_back({"8-bit packed info", indexedLayout(8, false, false), false});
    f.push_back({"8-bit packed core", indexedLayout(8, true, false), false});
    f.push_back({"8-bit top-down", indexedLayout(8, false, true, true), false});
    f.push_back({"24-bit info", directLayout(24, false), false});
    f.push_back({"24-bit core", directLayout(24, true), false});
    f.push_back({"24-bit top-down", directLayout(24, false, true), false});
    f.push_back({"32-bit", directLayout(32, false), false});

    BmpLayout s = indexedLayout(8, false, true);
    s.gap = 10;  // pixels start at the file header's offset, not after the table
    f.push_back({"8-bit gap before pixels", s, false});

    s = indexedLayout(8, false, true);
    s.palette.resize(16);
    s.colorsUsed = 16;
    f.push_back({"8-bit short table", s, false});

    s = indexedLayout(8, false, false);
    s.palette.resize(16);
    s.colorsUsed = 0x30010;  // only the low 16 bits count: 16 entries
    f.push_back({"8-bit packed, colours-used over 65535", s, false});

    s = directLayout(24, false);
    s.fileHeader = false;
    s.palette = testPalette(5);  // the pixels follow a table they do not use
    f.push_back({"24-bit packed with unused table", s, false});

    s = directLayout(24, false);
    s.palette = testPalette(300);
    f.push_back({"24-bit with 300-entry table", s, false});

    s = directLayout(32, false);
    s.compression = 3;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    f.push_back({"32-bit bit-fields, default masks", s, false});

    s = BmpLayout();
    s.width = W;
    s.height = H;
    s.bpp = 32;
    s.compression = 3;
    s.masks = {0x0000FF00, 0xFF000000, 0x00FF0000};
    s.pixels = packRows(32, W, H, [](int x, int y) {
        const Rgb3 c = PALETTE[indexAt(x, y)];
        return uint32_t(c.r) << 8 | uint32_t(c.g) << 24 | uint32_t(c.b) << 16 | 0x5Au;
    });
    f.push_back({"32-bit bit-fields, shuffled masks", s, false});

    s.fileHeader = false;  // the pixels follow the masks and the (unused) table
    s.palette = testPalette(3);
    f.push_back({"32-bit bit-fields, packed, with table", s, false});

    s = BmpLayout();
    s.width = W;
    s.height = H;
    s.bpp = 32;
    s.pixels = packRows(32, W, H,
                        [](int x, int y) { return packRgb(PALETTE[indexAt(x, y)]) | 0xA5000000u; });
    f.push_back({"32-bit, fourth byte set", s, false});

    s = indexedLayout(8, false, true);
    s.compression = 1;
    s.pixels = encodeRle(8, W, H, indexAt);
    f.push_back({"RLE8", s, false});

    s = indexedLayout(4, false, true);
    s.compression = 2;
    s.pixels = encodeRle(4, W, H, indexAt);
    f.push_back({"RLE4", s, false});

    s = indexedLayout(8, false, false);
    s.compression = 1;
    s.pixels = encodeRle(8, W, H, indexAt);
    f.push_back({"RLE8 packed", s, false});

    s = indexedLayout(8, false, true);
    s.height = -H;
    s.compression = 1;
    s.pixels = encodeRle(8, W, H, [](int x, int y) { return indexAt(x, H - 1 - y); });
    f.push_back({"RLE8 top-down", s, false});
    return f;
}

TEST(BmpDecode, EveryStoredFormGivesTheSamePackedRgb) {
    const Bytes many = expectedRgb(W, H, [](int x, int y) { return PALETTE[indexAt(x, y)]; });
    const Bytes two = expectedRgb(W, H, [](int x, int y) { return PALETTE[bitAt(x, y)]; });
    for (const Form& form : allForms()) {
        SCOPED_TRACE(form.name);
        const Decoded d = decode(buildBmp(form.layout));
        ASSERT_TRUE(d.ok) << d.failure;
        EXPECT_EQ(d.width, W);
        EXPECT_EQ(d.height, H);
        EXPECT_EQ(d.rgb, form.oneBit ? two : many);
    }
}

// ---- Exact layouts ------------------------------------------------------------

TEST(BmpDecode, TwoByTwoIsBottomRowFirstWithoutPadding) {
    BmpLayout s;
    s.width = 2;
    s.height = 2;
    s.pixels = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0xAA, 0xBB,   // bottom row + padding
                0x09, 0x08, 0x07, 0x0C, 0x0B, 0x0A, 0xCC, 0xDD};  // top row + padding
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 2);
    EXPECT_EQ(d.height, 2);
    EXPECT_EQ(d.rgb, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(BmpDecode, ThreeWideRowsAreNineBytes) {
    BmpLayout s;
    s.width = 3;
    s.height = 2;
    s.pixels =
        packRows(24, 3, 2, [](int x, int y) { return uint32_t(0x101010 * (x + 3 * y + 1)); });
    ASSERT_EQ(s.pixels.size(), 24u);  // 12-byte stored rows
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.rgb.size(), 18u);
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(d.rgb[size_t(3 * i + c)], 0x10 * (i + 1)) << i;
}

TEST(BmpDecode, LastRowMayLackItsPadding) {
    BmpLayout s = directLayout(24, false);
    s.pixels.resize(s.pixels.size() - 3);  // 7 * 3 = 21 bytes + 3 padding
    EXPECT_TRUE(decode(buildBmp(s)).ok);
    s.pixels.resize(s.pixels.size() - 1);
    EXPECT_EQ(decode(buildBmp(s)).failure, BMP_CONVERSION_ERROR);
}

TEST(BmpDecode, FiveBitChannelsRepeatTheirTopBits) {
    // Each pixel: red, green, blue 5-bit values; the top bit of the word is unused.
    const uint32_t values[][3] = {{0, 0, 0}, {31, 31, 31}, {16, 1, 30}, {7, 24, 15}};
    BmpLayout s;
    s.width = 4;
    s.height = 1;
    s.bpp = 16;
    s.pixels = packRows(16, 4, 1, [&](int x, int) {
        return values[x][0] << 10 | values[x][1] << 5 | values[x][2] | (x % 2 ? 0x8000u : 0u);
    });
    const Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.ok);
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c) {
            const uint32_t v = values[x][c];
            EXPECT_EQ(d.rgb[size_t(3 * x + c)], (v << 3) | (v >> 2)) << x << "," << c;
        }
}

TEST(BmpDecode, BitFieldMasksScaleEachChannelToEightBits) {
    struct Case {
        const char* name;
        uint16_t bpp;
        uint32_t masks[3];
        uint32_t pixel;
        uint8_t rgb[3];
    } cases[] = {
        {"5-6-5 full", 16, {0xF800, 0x07E0, 0x001F}, 0xFFFF, {255, 255, 255}},
        {"5-6-5 mid", 16, {0xF800, 0x07E0, 0x001F}, (16u << 11) | (32u << 5) | 1u, {132, 130, 8}},
        {"one-bit red, empty blue", 16, {0x8000, 0x7F00, 0}, 0x80FF, {255, 0, 0}},
        {"3-10-3", 16, {0xE000, 0x1FF8, 0x0007}, (5u << 13) | (0x3FFu << 3) | 2u, {182, 255, 73}},
        {"wide 10-10-10",
         32,
         {0x3FF00000, 0x000FFC00, 0x000003FF},
         (1023u << 20) | (512u << 10) | 3u,
         {255, 128, 0}},
        {"11-11-10",
         32,
         {0xFFE00000, 0x001FFC00, 0x000003FF},
         (2047u << 21) | (8u << 10) | 1020u,
         {255, 1, 255}},
        {"full-width mask", 32, {0xFFFFFFFF, 0, 0}, 0x80000000, {128, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpLayout s;
        s.width = 1;
        s.height = 1;
        s.bpp = c.bpp;
        s.compression = 3;
        s.masks = {c.masks[0], c.masks[1], c.masks[2]};
        s.pixels = packRows(c.bpp, 1, 1, [&](int, int) { return c.pixel; });
        const Decoded d = decode(buildBmp(s));
        ASSERT_TRUE(d.ok) << d.failure;
        EXPECT_EQ(d.rgb, (Bytes{c.rgb[0], c.rgb[1], c.rgb[2]}));
    }
}

TEST(BmpDecode, IndicesPastTheTableAreBlack) {
    BmpLayout s;
    s.width = 4;
    s.height = 1;
    s.bpp = 8;
    s.palette = {{10, 20, 30}, {40, 50, 60}};
    s.pixels = {0, 1, 2, 255};
    Decoded d = decode(buildBmp(s));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgb, (Bytes{10, 20, 30, 40, 50, 60, 0, 0, 0, 0, 0, 0}));

    s.bpp = 1;
    s.palette = {{10, 20, 30}};
    s.pixels = {0x40, 0, 0, 0};  // 0 1 0 0
    d = decode(buildBmp(s));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rgb, (Bytes{10, 20, 30, 0, 0, 0, 10, 20, 30, 10, 20, 30}));
}

// Where a packed bitmap's pixels start depends on the entry count rule.
TEST(BmpDecode, PackedBitmapPixelsFollowTheCountedTable) {
    struct Case {
        const char* name;
        bool core;
        uint16_t bpp;
        int64_t colorsUsed;  // -1: not given (core), else the field as stored
        size_t storedEntries;
        size_t pixelStart;
    } cases[] = {
        {"8-bit, colours-used 0 means 256", false, 8, 0, 256, 40 + 1024},
        {"8-bit core always 256", true, 8, -1, 256, 12 + 768},
        {"8-bit colours-used 300", false, 8, 300, 300, 40 + 1200},
        {"1-bit colours-used 0x10002", false, 1, 0x10002, 2, 40 + 8},
        {"4-bit colours-used 0x10000 counts no entries", false, 4, 0x10000, 0, 40},
        {"24-bit colours-used 3", false, 24, 3, 3, 40 + 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpLayout s;
        s.width = 2;
        s.height = 1;
        s.bpp = c.bpp;
        s.core = c.core;
        s.fileHeader = false;
        s.palette = testPalette(int(c.storedEntries));
        s.colorsUsed = c.colorsUsed;
        s.pixels = c.bpp == 24  ? Bytes{1, 2, 3, 4, 5, 6, 0, 0}
                   : c.bpp == 8 ? Bytes{1, 0, 0, 0}
                                : Bytes{0x40, 0, 0, 0};
        const Bytes file = buildBmp(s);
        ASSERT_EQ(file.size(), c.pixelStart + s.pixels.size());
        const Decoded d = decode(file);
        ASSERT_TRUE(d.ok) << d.failure;
        const std::vector<Rgb3> pal = testPalette(int(c.storedEntries));
        if (c.bpp == 24)
            EXPECT_EQ(d.rgb, (Bytes{3, 2, 1, 6, 5, 4}));
        else if (c.storedEntries == 0)
            EXPECT_EQ(d.rgb, Bytes(6, 0));
        else
            EXPECT_EQ(d.rgb, (Bytes{pal[c.bpp == 8 ? 1 : 0].r, pal[c.bpp == 8 ? 1 : 0].g,
                                    pal[c.bpp == 8 ? 1 : 0].b, pal[c.bpp == 8 ? 0 : 1].r,
                                    pal[c.bpp == 8 ? 0 : 1].g, pal[c.bpp == 8 ? 0 : 1].b}));
    }
}

// ---- Run-length codes ---------------------------------------------------------

Decoded decodeRle(uint16_t bpp, int width, int height, const Bytes& stream) {
    BmpLayout s;
    s.width = width;
    s.height = height;
    s.bpp = bpp;
    s.compression = bpp == 8 ? 1 : 2;
    s.palette = testPalette(16);
    s.pixels = stream;
    return decode(buildBmp(s));
}

// Expected RGB from a grid of indices (row 0 = first stored row), -1 = black.
Bytes fromIndices(const std::vector<std::vector<int>>& rows) {
    const std::vector<Rgb3> pal = testPalette(16);
    Bytes out;
    for (const auto& row : rows)
        for (int i : row) {
            const Rgb3 c = i < 0 ? Rgb3{0, 0, 0} : pal[size_t(i)];
            out.insert(out.end(), {c.r, c.g, c.b});
        }
    return out;
}

TEST(BmpDecode, RunLengthCodesPlacePixelsAndLeaveSkippedOnesBlack) {
    struct Case {
        const char* name;
        uint16_t bpp;
        int width, height;
        Bytes stream;
        std::vector<std::vector<int>> rows;
    } cases[] = {
        {"RLE8 run, literal with pad, end of line",
         8,
         5,
         2,
         {2, 3, 0, 3, 1, 2, 4, 0, 0, 0, 5, 7, 0, 1},
         {{3, 3, 1, 2, 4}, {7, 7, 7, 7, 7}}},
        {"RLE8 delta skips pixels",
         8,
         4,
         3,
         {1, 5, 0, 2, 2, 1, 1, 6, 0, 1},
         {{5, -1, -1, -1}, {-1, -1, -1, 6}, {-1, -1, -1, -1}}},
        {"RLE8 early end of line and end of picture",
         8,
         3,
         3,
         {1, 9, 0, 0, 2, 8, 0, 1},
         {{9, -1, -1}, {8, 8, -1}, {-1, -1, -1}}},
        {"RLE4 run alternates two nibbles", 4, 5, 1, {5, 0x3A, 0, 1}, {{3, 10, 3, 10, 3}}},
        {"RLE4 odd literal, padded to a word",
         4,
         6,
         1,
         {0, 3, 0x12, 0x30, 3, 0x45, 0, 1},
         {{1, 2, 3, 4, 5, 4}}},
        {"RLE4 five-nibble literal",
         4,
         5,
         1,
         {0, 5, 0xAB, 0xCD, 0xE0, 0x00, 0, 1},
         {{10, 11, 12, 13, 14}}},
        // What would land past a row's end or the last row is dropped, never wrapped.
        {"RLE run past the row", 8, 4, 2, {5, 1, 0, 0, 4, 2, 0, 1}, {{1, 1, 1, 1}, {2, 2, 2, 2}}},
        {"RLE runs past the row", 8, 4, 1, {3, 1, 2, 1, 0, 1}, {{1, 1, 1, 1}}},
        {"RLE literal past the row", 8, 2, 1, {0, 3, 1, 2, 3, 0, 0, 1}, {{1, 2}}},
        {"RLE4 literal past the row", 4, 3, 1, {0, 4, 0x12, 0x34, 0, 1}, {{1, 2, 3}}},
        {"RLE past the last row", 8, 2, 1, {0, 0, 1, 1, 0, 1}, {{-1, -1}}},
        {"RLE literal past the last row", 8, 2, 1, {0, 0, 0, 3, 1, 2, 3, 0, 0, 1}, {{-1, -1}}},
        {"RLE delta past the picture", 8, 2, 2, {0, 2, 0, 9, 1, 1, 0, 1}, {{-1, -1}, {-1, -1}}},
        {"RLE delta past the row",
         4,
         2,
         2,
         {0, 2, 200, 0, 1, 0x11, 0, 0, 1, 0x22, 0, 1},
         {{-1, -1}, {2, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = decodeRle(c.bpp, c.width, c.height, c.stream);
        ASSERT_TRUE(d.ok) << d.failure;
        EXPECT_EQ(d.rgb, fromIndices(c.rows));
    }
}

// Common writers encode each row of an odd-width picture with one pixel more;
// that last column is dropped and the rows stay in place. Even rows end in a
// run across the row's end, odd rows are one literal group of 68.
TEST(BmpDecode, RowsEncodedOnePixelWiderDecodeWithoutTheExtraColumn) {
    auto index = [](int x, int y) { return uint32_t(y % 2 ? (x * 7 + y) % 16 : (x / 3 + y) % 16); };
    for (uint16_t bpp : {8, 4}) {
        SCOPED_TRACE(bpp);
        const Decoded d = decodeRle(bpp, 67, 5, encodeRle(bpp, 68, 5, index));
        ASSERT_TRUE(d.ok) << d.failure;
        EXPECT_EQ(d.width, 67);
        EXPECT_EQ(d.rgb, expectedRgb(67, 5, [&](int x, int y) { return PALETTE[index(x, y)]; }));
    }
}

// ---- Failures -------------------------------------------------------------------

// A field past the end grows the file, so a header cut short by an earlier edit
// is never written beyond (GCC 14 and 16 see that path too, and warn).
Bytes withField(Bytes b, size_t at, uint32_t v, size_t width) {
    if (b.size() < at + width) b.resize(at + width);
    for (size_t i = 0; i < width; ++i) b[at + i] = uint8_t(v >> (8 * i));
    return b;
}

Bytes withField32(Bytes b, size_t at, uint32_t v) { return withField(std::move(b), at, v, 4); }

Bytes withField16(Bytes b, size_t at, uint32_t v) { return withField(std::move(b), at, v, 2); }

Bytes firstBytes(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + long(n)); }

BmpLayout rleLayout(uint16_t bpp, int w, int h, Bytes stream) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.compression = bpp == 8 ? 1 : 2;
    s.palette = testPalette(16);
    s.pixels = stream;
    return s;
}

BmpLayout sized(int32_t w, int32_t h, uint16_t bpp = 24) {
    BmpLayout s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    return s;
}

TEST(BmpDecode, EachFailureHasItsOneText) {
    const Bytes good = buildBmp(indexedLayout(8, false, true));  // 8-bit, 256 entries
    const Bytes good24 = buildBmp(directLayout(24, false));
    BmpLayout core = indexedLayout(8, true, true);
    BmpLayout masks = directLayout(32, false);
    masks.compression = 3;

    BmpLayout head108 = directLayout(24, false);
    head108.headerSizeField = 108;
    BmpLayout head124 = head108;
    head124.headerSizeField = 124;
    BmpLayout head64 = head108;
    head64.headerSizeField = 64;

    BmpLayout farOffset = directLayout(24, false);
    farOffset.dataOffset = int64_t(good24.size());
    BmpLayout hugeOffset = directLayout(24, false);
    hugeOffset.dataOffset = 0xFFFFFFF0;
    BmpLayout bigTable = directLayout(24, false);
    bigTable.colorsUsed = 0xFFFF;  // 256 KiB of table in a tiny file
    BmpLayout noPixels = sized(1, 1);
    BmpLayout bitfields24 = directLayout(24, false);
    bitfields24.compression = 3;
    bitfields24.masks = {0xFF0000, 0xFF00, 0xFF};
    BmpLayout wide = sized(16385, 1);
    BmpLayout tallRle = rleLayout(8, 1, 16385, {0, 1});
    BmpLayout tallTopDownRle = rleLayout(8, 1, -16385, {0, 1});
    BmpLayout minHeight = rleLayout(8, 1, INT32_MIN, {0, 1});
    BmpLayout coreWide = sized(40000, 1);
    coreWide.core = true;

    struct Case {
        const char* name;
        Bytes file;
        const char* text;
    } cases[] = {
        {"empty", {}, BMP_UNKNOWN_FORMAT},
        {"BM alone", {'B', 'M'}, BMP_UNKNOWN_FORMAT},
        {"file header cut", firstBytes(good, 13), BMP_UNKNOWN_FORMAT},
        {"header size cut", firstBytes(good, 16), BMP_UNKNOWN_FORMAT},
        {"info header cut", firstBytes(good, 14 + 39), BMP_UNKNOWN_FORMAT},
        {"core header cut", firstBytes(buildBmp(core), 14 + 11), BMP_UNKNOWN_FORMAT},
        {"packed, three bytes", {40, 0, 0}, BMP_UNKNOWN_FORMAT},
        {"header size 108", buildBmp(head108), BMP_UNKNOWN_FORMAT},
        {"header size 124", buildBmp(head124), BMP_UNKNOWN_FORMAT},
        {"header size 64", buildBmp(head64), BMP_UNKNOWN_FORMAT},
        {"header size 0", withField32(good, 14, 0), BMP_UNKNOWN_FORMAT},
        {"header size huge", withField32(good, 14, 0xFFFFFFFF), BMP_UNKNOWN_FORMAT},

        {"width 0", withField32(good, 18, 0), BMP_CONVERSION_ERROR},
        {"width negative", withField32(good, 18, uint32_t(-7)), BMP_CONVERSION_ERROR},
        {"height 0", withField32(good, 22, 0), BMP_CONVERSION_ERROR},
        {"core width 0", withField16(buildBmp(core), 18, 0), BMP_CONVERSION_ERROR},
        {"core height 0", withField16(buildBmp(core), 20, 0), BMP_CONVERSION_ERROR},
        {"2 bits per pixel", withField16(good, 28, 2), BMP_CONVERSION_ERROR},
        {"0 bits per pixel", withField16(good, 28, 0), BMP_CONVERSION_ERROR},
        {"64 bits per pixel", withField16(good, 28, 64), BMP_CONVERSION_ERROR},
        {"RLE8 at 4 bits", withField32(withField16(good, 28, 4), 30, 1), BMP_CONVERSION_ERROR},
        {"RLE4 at 8 bits", withField32(good, 30, 2), BMP_CONVERSION_ERROR},
        {"bit-fields at 24 bits", buildBmp(bitfields24), BMP_CONVERSION_ERROR},
        {"bit-fields at 8 bits", withField32(good, 30, 3), BMP_CONVERSION_ERROR},
        {"JPEG compression", withField32(good24, 30, 4), BMP_CONVERSION_ERROR},
        {"PNG compression", withField32(good24, 30, 5), BMP_CONVERSION_ERROR},
        {"alpha bit-fields", withField32(good24, 30, 6), BMP_CONVERSION_ERROR},
        {"masks missing", firstBytes(buildBmp(masks), 14 + 40 + 8), BMP_CONVERSION_ERROR},
        {"colour table past the end", firstBytes(good, 14 + 40 + 1000), BMP_CONVERSION_ERROR},
        {"unused table past the end", buildBmp(bigTable), BMP_CONVERSION_ERROR},
        {"pixel offset at the end", buildBmp(farOffset), BMP_CONVERSION_ERROR},
        {"pixel offset far past the end", buildBmp(hugeOffset), BMP_CONVERSION_ERROR},
        {"no pixel data", buildBmp(noPixels), BMP_CONVERSION_ERROR},
        {"rows cut short", firstBytes(good, good.size() - 6), BMP_CONVERSION_ERROR},

        {"RLE stream cut", buildBmp(rleLayout(8, 4, 2, {4, 1, 0, 0})), BMP_CONVERSION_ERROR},
        {"RLE code cut", buildBmp(rleLayout(8, 4, 1, {4, 1, 0})), BMP_CONVERSION_ERROR},
        {"RLE delta cut", buildBmp(rleLayout(8, 4, 1, {0, 2, 1})), BMP_CONVERSION_ERROR},
        {"RLE literal cut", buildBmp(rleLayout(8, 8, 1, {0, 5, 1, 2, 3, 4})), BMP_CONVERSION_ERROR},
        {"RLE literal padding cut", buildBmp(rleLayout(8, 8, 1, {0, 3, 1, 2, 3})),
         BMP_CONVERSION_ERROR},
        {"RLE4 literal cut", buildBmp(rleLayout(4, 8, 1, {0, 5, 0x12, 0x34})),
         BMP_CONVERSION_ERROR},
        {"RLE cut past the last row", buildBmp(rleLayout(8, 2, 1, {0, 0, 1, 1})),
         BMP_CONVERSION_ERROR},

        {"16385 wide", buildBmp(wide), BMP_OUT_OF_MEMORY},
        {"core 40000 wide", buildBmp(coreWide), BMP_OUT_OF_MEMORY},
        {"RLE 16385 tall", buildBmp(tallRle), BMP_OUT_OF_MEMORY},
        {"RLE 16385 tall, top-down", buildBmp(tallTopDownRle), BMP_OUT_OF_MEMORY},
        {"most negative height", buildBmp(minHeight), BMP_OUT_OF_MEMORY},
        {"3000000 x 2000000", withField32(withField32(good24, 18, 3000000), 22, 2000000),
         BMP_OUT_OF_MEMORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded d = decode(c.file);
        EXPECT_FALSE(d.ok);
        EXPECT_EQ(d.failure, c.text);  // the very constant, not merely equal text
    }
}

TEST(BmpDecode, FailureTextsAreTheLoadersOwn) {
    EXPECT_STREQ(BMP_OUT_OF_MEMORY, "Out of memory.");
    EXPECT_STREQ(BMP_UNKNOWN_FORMAT, "Unknown DIB file format.");
    EXPECT_STREQ(BMP_CONVERSION_ERROR, "Image file conversion error.");
}

TEST(BmpDecode, LargestSideIsAcceptedAndSuccessLeavesFailureAlone) {
    BmpLayout s = sized(16384, 1);
    s.pixels = Bytes(16384 * 3, 0x7F);
    const char* failure = "untouched";
    const Bytes file = buildBmp(s);
    ImageRecord* r = decodeBmp(file.data(), file.size(), &failure);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(failure, "untouched");
    EXPECT_EQ(r->sizeX, 16384);
    EXPECT_EQ(r->sizeY, 1);
    EXPECT_EQ(r->data[3 * 16383], 0x7F);
    std::free(r->data);
    std::free(r);

    const Decoded tall = decode(buildBmp(rleLayout(8, 1, -16384, {0, 1})));
    ASSERT_TRUE(tall.ok);
    EXPECT_EQ(tall.height, 16384);
}

}  // namespace
