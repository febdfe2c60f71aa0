// Builds BMP files byte by byte for tests: any header kind, with or without the
// file header, any colour table, masks and stored pixel bytes, including
// deliberately inconsistent ones.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace bmptest {

typedef std::vector<uint8_t> Bytes;

struct Rgb3 {
    uint8_t r, g, b;
};

struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    bool core = false;             // 12-byte header instead of the 40-byte one
    bool fileHeader = true;        // the 14-byte "BM" header
    std::vector<Rgb3> palette;     // stored as B, G, R (, 0)
    int64_t colorsUsed = -1;       // -1: the palette's size
    std::vector<uint32_t> masks;   // written right after the header
    Bytes pixels;                  // stored pixel data, as it goes in the file
    int64_t dataOffset = -1;       // -1: right after table (and gap)
    size_t gap = 0;                // unused bytes between table and pixels
    uint32_t headerSizeField = 0;  // 0: 12 or 40 as the kind says
};

inline void putU16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void putU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

inline Bytes buildBmp(const BmpLayout& s) {
    Bytes h;
    const uint32_t headerSize = s.headerSizeField ? s.headerSizeField : (s.core ? 12 : 40);
    putU32(h, headerSize);
    if (s.core) {
        putU16(h, uint32_t(s.width));
        putU16(h, uint32_t(s.height));
        putU16(h, 1);
        putU16(h, s.bpp);
    } else {
        putU32(h, uint32_t(s.width));
        putU32(h, uint32_t(s.height));
        putU16(h, 1);
        putU16(h, s.bpp);
        putU32(h, s.compression);
        putU32(h, uint32_t(s.pixels.size()));
        putU32(h, 2835);
        putU32(h, 2835);
        putU32(h, uint32_t(s.colorsUsed >= 0 ? s.colorsUsed : int64_t(s.palette.size())));
        putU32(h, 0);
    }
    for (uint32_t m : s.masks) putU32(h, m);
    for (const Rgb3& c : s.palette) {
        h.push_back(c.b);
        h.push_back(c.g);
        h.push_back(c.r);
        if (!s.core) h.push_back(0);
    }
    h.insert(h.end(), s.gap, 0xEE);

    Bytes out;
    if (s.fileHeader) {
        const size_t offset = s.dataOffset >= 0 ? size_t(s.dataOffset) : 14 + h.size();
        out.push_back('B');
        out.push_back('M');
        putU32(out, uint32_t(14 + h.size() + s.pixels.size()));
        putU32(out, 0);
        putU32(out, uint32_t(offset));
    }
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// Stored rows for an uncompressed picture, each padded to 4 bytes; value(x, y)
// gives pixel x of stored row y: an index for 1/4/8 bits, the raw 16- or 32-bit
// word, or 0xRRGGBB for 24 bits.
inline Bytes packRows(int bpp, int width, int rows,
                      const std::function<uint32_t(int, int)>& value) {
    const size_t stride = (size_t(bpp) * size_t(width) + 31) / 32 * 4;
    Bytes out(stride * size_t(rows), 0);
    for (int y = 0; y < rows; ++y) {
        uint8_t* row = out.data() + stride * size_t(y);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = value(x, y);
            switch (bpp) {
            case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = uint8_t(v); break;
            case 16:
                row[2 * x] = uint8_t(v);
                row[2 * x + 1] = uint8_t(v >> 8);
                break;
            case 24:
                row[3 * x] = uint8_t(v);            // blue
                row[3 * x + 1] = uint8_t(v >> 8);   // green
                row[3 * x + 2] = uint8_t(v >> 16);  // red
                break;
            case 32:
                for (int i = 0; i < 4; ++i) row[4 * x + i] = uint8_t(v >> (8 * i));
                break;
            }
        }
    }
    return out;
}

// A palette of n distinct, easily told apart colours.
inline std::vector<Rgb3> testPalette(int n) {
    std::vector<Rgb3> p;
    for (int i = 0; i < n; ++i)
        p.push_back({uint8_t(i * 7 + 1), uint8_t(255 - i), uint8_t((i * 37) ^ 0x5A)});
    return p;
}

// Writes bytes to a file; false on failure.
inline bool writeFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace bmptest
