// BMP encoders: 24- and 32-bit, the 12-byte core header, 8-bit grey, and the
// two run-length forms with a colour table chosen from the picture.
#include "tools/assetgen/assetgen.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

void patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// File header with the size and pixel offset left for finish() to fill in.
std::vector<uint8_t> start() {
    std::vector<uint8_t> out = {'B', 'M'};
    put32(out, 0);  // file size
    put32(out, 0);  // two reserved words
    put32(out, 0);  // pixel data offset
    return out;
}

void infoHeader(std::vector<uint8_t>& out, const RgbImage& image, int bits, uint32_t compression,
                uint32_t colours) {
    put32(out, 40);
    put32(out, static_cast<uint32_t>(image.width));
    put32(out, static_cast<uint32_t>(image.height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bits));
    put32(out, compression);
    put32(out, 0);     // image size, patched for the compressed forms
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, colours);
    put32(out, colours);
}

// Fills in the file size and, given where the pixels began, the offset.
void finish(std::vector<uint8_t>& out, size_t pixelStart) {
    patch32(out, 2, static_cast<uint32_t>(out.size()));
    patch32(out, 10, static_cast<uint32_t>(pixelStart));
}

void pad4(std::vector<uint8_t>& out, size_t rowStart) {
    while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

void directRows(std::vector<uint8_t>& out, const RgbImage& image, int bytesPerPixel) {
    for (int y = 0; y < image.height; ++y) {
        size_t rowStart = out.size();
        const uint8_t* p = &image.rgb[static_cast<size_t>(y) * image.width * 3];
        for (int x = 0; x < image.width; ++x, p += 3) {
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (bytesPerPixel == 4) out.push_back(0);
        }
        pad4(out, rowStart);
    }
}

// ---- Colour table from a picture: median cut, then a few k-means rounds ----

struct Swatch {
    uint8_t c[3];
    uint32_t count;
};

uint32_t key(const uint8_t* c) { return (uint32_t(c[0]) << 16) | (uint32_t(c[1]) << 8) | c[2]; }

int nearest(const std::vector<Swatch>& table, const uint8_t* c) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < table.size(); ++i) {
        int dr = int(c[0]) - table[i].c[0], dg = int(c[1]) - table[i].c[1],
            db = int(c[2]) - table[i].c[2];
        int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Picks at most `size` colours for the picture and gives each pixel's index.
std::vector<Swatch> quantise(const RgbImage& image, size_t size, std::vector<uint8_t>& indices) {
    std::map<uint32_t, uint32_t> counts;
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    for (size_t i = 0; i < pixels; ++i) ++counts[key(&image.rgb[i * 3])];
    std::vector<Swatch> colours;
    for (const auto& kv : counts)
        colours.push_back(
            {{uint8_t(kv.first >> 16), uint8_t(kv.first >> 8), uint8_t(kv.first)}, kv.second});

    std::vector<Swatch> table;
    if (colours.size() <= size) {
        table = colours;
    } else {
        // Boxes are index ranges of `colours`; split the one with the widest
        // channel spread (weighted by its pixel count) at its median pixel.
        struct Box {
            size_t begin, end;
        };
        std::vector<Box> boxes = {{0, colours.size()}};
        while (boxes.size() < size) {
            int pick = -1, pickChannel = 0;
            double pickScore = 0.0;
            for (size_t b = 0; b < boxes.size(); ++b) {
                if (boxes[b].end - boxes[b].begin < 2) continue;
                uint64_t total = 0;
                for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) total += colours[i].count;
                for (int ch = 0; ch < 3; ++ch) {
                    int lo = 255, hi = 0;
                    for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
                        lo = std::min(lo, int(colours[i].c[ch]));
                        hi = std::max(hi, int(colours[i].c[ch]));
                    }
                    double score =
                        double(hi - lo) * double(hi - lo) * (1.0 + double(total) / pixels * 8.0);
                    if (score > pickScore) {
                        pickScore = score;
                        pick = static_cast<int>(b);
                        pickChannel = ch;
                    }
                }
            }
            if (pick < 0) break;
            Box box = boxes[pick];
            std::sort(colours.begin() + box.begin, colours.begin() + box.end,
                      [pickChannel](const Swatch& a, const Swatch& b) {
                          if (a.c[pickChannel] != b.c[pickChannel])
                              return a.c[pickChannel] < b.c[pickChannel];
                          return key(a.c) < key(b.c);
                      });
            uint64_t total = 0, half = 0;
            for (size_t i = box.begin; i < box.end; ++i) total += colours[i].count;
            size_t cut = box.begin + 1;
            for (size_t i = box.begin; i < box.end - 1; ++i) {
                half += colours[i].count;
                cut = i + 1;
                if (half * 2 >= total) break;
            }
            boxes[pick] = {box.begin, cut};
            boxes.push_back({cut, box.end});
        }
        for (const Box& box : boxes) {
            double sum[3] = {0, 0, 0};
            double weight = 0;
            for (size_t i = box.begin; i < box.end; ++i) {
                for (int ch = 0; ch < 3; ++ch)
                    sum[ch] += double(colours[i].c[ch]) * colours[i].count;
                weight += colours[i].count;
            }
            Swatch s;
            for (int ch = 0; ch < 3; ++ch) s.c[ch] = static_cast<uint8_t>(sum[ch] / weight + 0.5);
            s.count = 0;
            table.push_back(s);
        }
        // Refine: move each entry to the mean of the colours nearest to it.
        for (int round = 0; round < 3; ++round) {
            std::vector<double> sums(table.size() * 4, 0.0);
            for (const Swatch& c : colours) {
                int n = nearest(table, c.c);
                for (int ch = 0; ch < 3; ++ch) sums[n * 4 + ch] += double(c.c[ch]) * c.count;
                sums[n * 4 + 3] += c.count;
            }
            for (size_t i = 0; i < table.size(); ++i)
                if (sums[i * 4 + 3] > 0)
                    for (int ch = 0; ch < 3; ++ch)
                        table[i].c[ch] =
                            static_cast<uint8_t>(sums[i * 4 + ch] / sums[i * 4 + 3] + 0.5);
        }
    }

    std::map<uint32_t, uint8_t> lookup;
    for (const Swatch& c : colours) lookup[key(c.c)] = static_cast<uint8_t>(nearest(table, c.c));
    indices.resize(pixels);
    for (size_t i = 0; i < pixels; ++i) indices[i] = lookup[key(&image.rgb[i * 3])];
    return table;
}

void colourTable(std::vector<uint8_t>& out, const std::vector<Swatch>& table) {
    for (const Swatch& s : table) {
        out.push_back(s.c[2]);
        out.push_back(s.c[1]);
        out.push_back(s.c[0]);
        out.push_back(0);
    }
}

// Length of the run of equal values starting at x, at most `limit`.
int runLength(const uint8_t* row, int x, int width, int limit) {
    int n = 1;
    while (x + n < width && n < limit && row[x + n] == row[x]) ++n;
    return n;
}

// One row in the run-length form. Runs of three or more become encoded runs;
// everything between them goes into absolute groups (at least three pixels,
// word aligned) or, when shorter, into runs of one.
void rleRow(std::vector<uint8_t>& out, const uint8_t* row, int width, bool fourBit) {
    int x = 0;
    while (x < width) {
        int run = runLength(row, x, width, 255);
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(fourBit ? static_cast<uint8_t>(row[x] << 4 | row[x]) : row[x]);
            x += run;
            continue;
        }
        int end = x;
        while (end < width && end - x < 255 && runLength(row, end, width, 3) < 3) ++end;
        int n = end - x;
        if (n < 3) {
            for (int i = 0; i < n; ++i) {
                out.push_back(1);
                out.push_back(fourBit ? static_cast<uint8_t>(row[x + i] << 4) : row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(n));
            size_t groupStart = out.size();
            if (fourBit) {
                for (int i = 0; i < n; i += 2)
                    out.push_back(
                        static_cast<uint8_t>(row[x + i] << 4 | (i + 1 < n ? row[x + i + 1] : 0)));
            } else {
                for (int i = 0; i < n; ++i) out.push_back(row[x + i]);
            }
            if ((out.size() - groupStart) % 2 != 0) out.push_back(0);
        }
        x = end;
    }
}

std::vector<uint8_t> rle(const RgbImage& image, bool fourBit) {
    std::vector<uint8_t> indices;
    std::vector<Swatch> table = quantise(image, fourBit ? 16 : 256, indices);
    std::vector<uint8_t> out = start();
    infoHeader(out, image, fourBit ? 4 : 8, fourBit ? 2 : 1, static_cast<uint32_t>(table.size()));
    colourTable(out, table);
    size_t pixelStart = out.size();
    for (int y = 0; y < image.height; ++y) {
        rleRow(out, &indices[static_cast<size_t>(y) * image.width], image.width, fourBit);
        out.push_back(0);
        out.push_back(y + 1 < image.height ? 0 : 1);  // end of line, or of the picture
    }
    patch32(out, 14 + 20, static_cast<uint32_t>(out.size() - pixelStart));
    finish(out, pixelStart);
    return out;
}

}  // namespace

namespace {

// An uncompressed 24- or 32-bit picture with the info header.
std::vector<uint8_t> bmpDirect(const RgbImage& image, int bytesPerPixel) {
    std::vector<uint8_t> out = start();
    infoHeader(out, image, bytesPerPixel * 8, 0, 0);
    size_t pixelStart = out.size();
    directRows(out, image, bytesPerPixel);
    patch32(out, 14 + 20, static_cast<uint32_t>(out.size() - pixelStart));
    finish(out, pixelStart);
    return out;
}

}  // namespace

std::vector<uint8_t> bmp24(const RgbImage& image) { return bmpDirect(image, 3); }

std::vector<uint8_t> bmp32(const RgbImage& image) { return bmpDirect(image, 4); }

std::vector<uint8_t> bmpCore24(const RgbImage& image) {
    std::vector<uint8_t> out = start();
    put32(out, 12);
    put16(out, static_cast<uint32_t>(image.width));
    put16(out, static_cast<uint32_t>(image.height));
    put16(out, 1);
    put16(out, 24);
    size_t pixelStart = out.size();
    directRows(out, image, 3);
    finish(out, pixelStart);
    return out;
}

std::vector<uint8_t> bmpGrey8(const std::vector<uint8_t>& grey, int width, int height) {
    RgbImage shape;
    shape.width = width;
    shape.height = height;
    std::vector<uint8_t> out = start();
    infoHeader(out, shape, 8, 0, 256);
    for (int i = 0; i < 256; ++i) {
        for (int ch = 0; ch < 3; ++ch) out.push_back(static_cast<uint8_t>(i));
        out.push_back(0);
    }
    size_t pixelStart = out.size();
    for (int y = 0; y < height; ++y) {
        size_t rowStart = out.size();
        out.insert(out.end(), grey.begin() + static_cast<ptrdiff_t>(y) * width,
                   grey.begin() + static_cast<ptrdiff_t>(y + 1) * width);
        pad4(out, rowStart);
    }
    patch32(out, 14 + 20, static_cast<uint32_t>(out.size() - pixelStart));
    finish(out, pixelStart);
    return out;
}

std::vector<uint8_t> bmpRle8(const RgbImage& image) { return rle(image, false); }
std::vector<uint8_t> bmpRle4(const RgbImage& image) { return rle(image, true); }
