// BMP decoding: every stored form the scene accepts, read in one pass straight
// into packed RGB rows, bottom row first.
//
// Nothing in a header is trusted: every offset and length is checked against
// the bytes actually present before it is used, with 64-bit arithmetic where a
// product of header fields could overflow, and the result size is bounded
// before anything is allocated.
#include "assets/bmp_decode.h"

#include <cstdlib>
#include <cstring>

const char* const BMP_OUT_OF_MEMORY = "Out of memory.";
const char* const BMP_UNKNOWN_FORMAT = "Unknown DIB file format.";
const char* const BMP_CONVERSION_ERROR = "Image file conversion error.";

namespace {

// An RLE file can claim any size in a handful of bytes, so the sides are capped
// well above any texture the GL would take and far below what could overflow.
constexpr int64_t MAX_SIDE = 16384;

constexpr size_t FILE_HEADER_SIZE = 14;
constexpr uint32_t CORE_HEADER_SIZE = 12;
constexpr uint32_t INFO_HEADER_SIZE = 40;

enum : uint32_t {
    COMPRESS_NONE = 0,
    COMPRESS_RLE8 = 1,
    COMPRESS_RLE4 = 2,
    COMPRESS_BITFIELDS = 3,
};

inline uint32_t u16At(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

inline uint32_t u32At(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Widens an n-bit channel value to 8 bits by repeating its bits, so full scale
// stays full scale (a 5-bit v becomes (v << 3) | (v >> 2)).
uint8_t replicateBits(uint32_t v, int bits) {
    uint32_t r = 0;
    int filled = 0;
    while (filled < 8) {
        r = (r << bits) | v;
        filled += bits;
    }
    return uint8_t(r >> (filled - 8));
}

// One colour channel of a 16- or 32-bit pixel: where it sits and how to widen it.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;             // 0 for an empty mask: the channel reads as 0
    uint8_t widen[256] = {};  // used while bits <= 8

    void setup(uint32_t m) {
        mask = m;
        shift = 0;
        bits = 0;
        std::memset(widen, 0, sizeof widen);
        if (!m) return;
        while (!((m >> shift) & 1u)) ++shift;
        const uint32_t field = m >> shift;
        while (bits < 32 && (field >> bits) != 0) ++bits;
        if (bits <= 8)
            for (uint32_t v = 0; v < (1u << bits); ++v) widen[v] = replicateBits(v, bits);
    }

    // Wider fields keep their top 8 bits; holes in a mask are simply skipped over.
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? widen[v] : uint8_t(v >> (bits - 8));
    }
};

// Everything the headers say about one picture, already checked against the file.
struct Picture {
    int64_t width = 0;
    int64_t rows = 0;
    bool topDown = false;
    uint32_t bpp = 0;
    uint32_t compression = 0;
    uint8_t palette[256][3] = {};   // R, G, B; indices past the table stay black
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue
    const uint8_t* pixels = nullptr;
    size_t pixelBytes = 0;  // from the pixel data to the end of the file
    uint8_t* out = nullptr;
};

// Where the stored row y (0 = first in the file) lands in the result.
inline uint8_t* rowOut(const Picture& p, int64_t y) {
    const int64_t row = p.topDown ? p.rows - 1 - y : y;
    return p.out + size_t(row) * size_t(p.width) * 3;
}

uint32_t tableEntriesFor(uint32_t bpp) {
    switch (bpp) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

bool supportedForm(uint32_t bpp, uint32_t compression) {
    switch (compression) {
    case COMPRESS_NONE:
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case COMPRESS_RLE8: return bpp == 8;
    case COMPRESS_RLE4: return bpp == 4;
    case COMPRESS_BITFIELDS: return bpp == 16 || bpp == 32;
    default: return false;
    }
}

// Reads and checks the headers, colour table and masks; null when the picture
// can be decoded, else the failure text.
const char* readHeaders(const uint8_t* bytes, size_t size, Picture* p) {
    size_t headerAt = 0;
    bool hasFileHeader = false;
    uint32_t dataOffset = 0;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        if (size < FILE_HEADER_SIZE) return BMP_UNKNOWN_FORMAT;
        hasFileHeader = true;
        dataOffset = u32At(bytes + 10);
        headerAt = FILE_HEADER_SIZE;
    }
    if (size - headerAt < 4) return BMP_UNKNOWN_FORMAT;
    const uint8_t* h = bytes + headerAt;
    const uint32_t headerSize = u32At(h);
    if (headerSize != CORE_HEADER_SIZE && headerSize != INFO_HEADER_SIZE) return BMP_UNKNOWN_FORMAT;
    if (size - headerAt < headerSize) return BMP_UNKNOWN_FORMAT;

    int64_t width, height;
    uint32_t entries, entrySize;
    if (headerSize == CORE_HEADER_SIZE) {
        width = u16At(h + 4);
        height = u16At(h + 6);
        p->bpp = u16At(h + 10);
        p->compression = COMPRESS_NONE;  // the core header has no such field
        entries = tableEntriesFor(p->bpp);
        entrySize = 3;
    } else {
        width = int32_t(u32At(h + 4));
        height = int32_t(u32At(h + 8));
        p->bpp = u16At(h + 14);
        p->compression = u32At(h + 16);
        const uint32_t colorsUsed = u32At(h + 32);
        entries = colorsUsed ? (colorsUsed & 0xFFFFu) : tableEntriesFor(p->bpp);
        entrySize = 4;
    }

    if (width <= 0 || height == 0) return BMP_CONVERSION_ERROR;
    if (!supportedForm(p->bpp, p->compression)) return BMP_CONVERSION_ERROR;

    size_t tableAt = headerAt + headerSize;
    if (p->compression == COMPRESS_BITFIELDS) {
        // The three masks sit where an info header's colour table would start.
        if (size - tableAt < 12) return BMP_CONVERSION_ERROR;
        for (int c = 0; c < 3; ++c) p->masks[c] = u32At(bytes + tableAt + 4 * c);
        tableAt += 12;
    } else if (p->bpp == 16) {
        p->masks[0] = 0x7C00;
        p->masks[1] = 0x03E0;
        p->masks[2] = 0x001F;
    } else if (p->bpp == 32) {
        p->masks[0] = 0x00FF0000;
        p->masks[1] = 0x0000FF00;
        p->masks[2] = 0x000000FF;
    }

    const size_t tableBytes = size_t(entries) * entrySize;
    if (size - tableAt < tableBytes) return BMP_CONVERSION_ERROR;
    const uint32_t usable = entries < 256 ? entries : 256;
    for (uint32_t i = 0; i < usable; ++i) {
        const uint8_t* e = bytes + tableAt + size_t(i) * entrySize;
        p->palette[i][0] = e[2];
        p->palette[i][1] = e[1];
        p->palette[i][2] = e[0];
    }

    p->width = width;
    p->topDown = height < 0;
    p->rows = height < 0 ? -height : height;
    if (p->width > MAX_SIDE || p->rows > MAX_SIDE) return BMP_OUT_OF_MEMORY;

    // A packed bitmap's pixels follow its colour table; a file header says where.
    const size_t start = hasFileHeader ? dataOffset : tableAt + tableBytes;
    if (start >= size) return BMP_CONVERSION_ERROR;
    p->pixels = bytes + start;
    p->pixelBytes = size - start;

    if (p->compression == COMPRESS_NONE || p->compression == COMPRESS_BITFIELDS) {
        // The last row may lack its padding; every pixel must be there.
        const uint64_t rowBits = uint64_t(p->bpp) * uint64_t(p->width);
        const uint64_t stride = (rowBits + 31) / 32 * 4;
        const uint64_t needed = stride * uint64_t(p->rows - 1) + (rowBits + 7) / 8;
        if (needed > p->pixelBytes) return BMP_CONVERSION_ERROR;
    }
    return nullptr;
}

inline void putIndex(const Picture& p, uint8_t* d, uint32_t index) {
    d[0] = p.palette[index][0];
    d[1] = p.palette[index][1];
    d[2] = p.palette[index][2];
}

void decodeIndexed(const Picture& p, size_t stride) {
    const size_t w = size_t(p.width);
    for (int64_t y = 0; y < p.rows; ++y) {
        const uint8_t* s = p.pixels + size_t(y) * stride;
        uint8_t* d = rowOut(p, y);
        switch (p.bpp) {
        case 1:
            for (size_t x = 0; x < w; ++x, d += 3)
                putIndex(p, d, (s[x >> 3] >> (7 - (x & 7))) & 1u);
            break;
        case 4:
            for (size_t x = 0; x < w; ++x, d += 3)
                putIndex(p, d, (x & 1) ? (s[x >> 1] & 0x0Fu) : (s[x >> 1] >> 4));
            break;
        default:
            for (size_t x = 0; x < w; ++x, d += 3) putIndex(p, d, s[x]);
            break;
        }
    }
}

void decode24(const Picture& p, size_t stride) {
    const size_t w = size_t(p.width);
    for (int64_t y = 0; y < p.rows; ++y) {
        const uint8_t* s = p.pixels + size_t(y) * stride;
        uint8_t* d = rowOut(p, y);
        size_t x = 0;
        // Four pixels are three whole words: swapping blue and red within them
        // word-wise is several times faster than a byte loop. The shifts assume a
        // little-endian host, as x86 Linux and Windows are.
        for (; x + 4 <= w; x += 4, s += 12, d += 12) {
            uint32_t a, b, c;
            std::memcpy(&a, s, 4);      // b0 g0 r0 b1
            std::memcpy(&b, s + 4, 4);  // g1 r1 b2 g2
            std::memcpy(&c, s + 8, 4);  // r2 b3 g3 r3
            const uint32_t oa = ((a >> 16) & 0xFFu) | (a & 0xFF00u) | ((a & 0xFFu) << 16) |
                                ((b >> 8) & 0xFFu) << 24;  // r0 g0 b0 r1
            const uint32_t ob = (b & 0xFFu) | ((a >> 24) << 8) | ((c & 0xFFu) << 16) |
                                (b & 0xFF000000u);  // g1 b1 r2 g2
            const uint32_t oc = ((b >> 16) & 0xFFu) | ((c >> 24) << 8) | (c & 0xFF0000u) |
                                ((c >> 8) & 0xFFu) << 24;  // b2 r3 g3 b3
            std::memcpy(d, &oa, 4);
            std::memcpy(d + 4, &ob, 4);
            std::memcpy(d + 8, &oc, 4);
        }
        for (; x < w; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
}

void decodeMasked(const Picture& p, size_t stride) {
    Channel red, green, blue;
    red.setup(p.masks[0]);
    green.setup(p.masks[1]);
    blue.setup(p.masks[2]);
    const size_t w = size_t(p.width);
    for (int64_t y = 0; y < p.rows; ++y) {
        const uint8_t* s = p.pixels + size_t(y) * stride;
        uint8_t* d = rowOut(p, y);
        for (size_t x = 0; x < w; ++x, d += 3) {
            const uint32_t px = p.bpp == 16 ? u16At(s + 2 * x) : u32At(s + 4 * x);
            d[0] = red(px);
            d[1] = green(px);
            d[2] = blue(px);
        }
    }
}

// How many of n pixels placed from (x, y) on land inside the picture (no code
// ever makes x or y smaller than zero).
inline uint32_t pixelsInside(const Picture& p, int64_t x, int64_t y, uint32_t n) {
    if (y >= p.rows || x >= p.width) return 0;
    return p.width - x < int64_t(n) ? uint32_t(p.width - x) : n;
}

// Runs, literal groups, end-of-line, end-of-picture and delta codes. Pixels the
// stream never reaches stay black. Whatever a code would place past the end of
// a row or past the last row is dropped, as the platform's own conversion
// does: common writers encode each row of an odd-width picture with one pixel
// more. False only when the stream ends before its end-of-picture code.
bool decodeRle(const Picture& p) {
    const bool four = p.bpp == 4;
    const uint8_t* s = p.pixels;
    const uint8_t* const end = p.pixels + p.pixelBytes;
    int64_t x = 0, y = 0;
    for (;;) {
        if (end - s < 2) return false;
        const uint32_t count = s[0], value = s[1];
        s += 2;
        if (count) {
            const uint32_t shown = pixelsInside(p, x, y, count);
            uint8_t* d = shown ? rowOut(p, y) + size_t(x) * 3 : nullptr;
            if (four) {
                const uint32_t pair[2] = {value >> 4, value & 0x0Fu};
                for (uint32_t i = 0; i < shown; ++i, d += 3) putIndex(p, d, pair[i & 1]);
            } else {
                for (uint32_t i = 0; i < shown; ++i, d += 3) putIndex(p, d, value);
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (end - s < 2) return false;
            x += s[0];
            y += s[1];
            s += 2;
        } else {
            // A literal group is padded to a whole 16-bit word.
            const size_t groupBytes = ((four ? (value + 1) / 2 : value) + 1) & ~size_t(1);
            if (size_t(end - s) < groupBytes) return false;
            const uint32_t shown = pixelsInside(p, x, y, value);
            uint8_t* d = shown ? rowOut(p, y) + size_t(x) * 3 : nullptr;
            for (uint32_t i = 0; i < shown; ++i, d += 3)
                putIndex(p, d, four ? ((i & 1) ? (s[i >> 1] & 0x0Fu) : (s[i >> 1] >> 4)) : s[i]);
            s += groupBytes;
            x += value;
        }
    }
}

}  // namespace

ImageRecord* decodeBmp(const uint8_t* bytes, size_t size, const char** failure) {
    const char* dummy = nullptr;
    if (!failure) failure = &dummy;
    if (!bytes) size = 0;

    Picture p;
    if (const char* text = readHeaders(bytes, size, &p)) {
        *failure = text;
        return nullptr;
    }

    const size_t resultBytes = size_t(p.width) * size_t(p.rows) * 3;  // at most 3 * 2^28
    const bool rle = p.compression == COMPRESS_RLE8 || p.compression == COMPRESS_RLE4;
    p.out = static_cast<uint8_t*>(rle ? std::calloc(resultBytes, 1) : std::malloc(resultBytes));
    if (!p.out) {
        *failure = BMP_OUT_OF_MEMORY;
        return nullptr;
    }

    const size_t stride = size_t((uint64_t(p.bpp) * uint64_t(p.width) + 31) / 32 * 4);
    if (rle) {
        if (!decodeRle(p)) {
            std::free(p.out);
            *failure = BMP_CONVERSION_ERROR;
            return nullptr;
        }
    } else if (p.bpp <= 8) {
        decodeIndexed(p, stride);
    } else if (p.bpp == 24) {
        decode24(p, stride);
    } else {
        decodeMasked(p, stride);
    }

    ImageRecord* record = static_cast<ImageRecord*>(std::malloc(sizeof(ImageRecord)));
    if (!record) {
        std::free(p.out);
        *failure = BMP_OUT_OF_MEMORY;
        return nullptr;
    }
    record->sizeX = int32_t(p.width);
    record->sizeY = int32_t(p.rows);
    record->data = p.out;
    return record;
}
