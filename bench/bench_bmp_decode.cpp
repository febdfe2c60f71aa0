// BMP decode throughput: our decoder against stb_image on the same in-memory
// 1024 x 1024 files (24-bit and 8-bit with a 256-colour table). Prints MB/s of
// decoded RGB for each and the ratio; it measures, it does not judge.
#include "assets/bmp_decode.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef MERROWIND_HAVE_STB
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>
#endif

namespace {

typedef std::vector<uint8_t> Bytes;

const int SIDE = 1024;

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A file header, an info header, the table and the rows: a typical texture.
Bytes makeBmp(int bpp) {
    const int entries = bpp == 8 ? 256 : 0;
    const size_t stride = (size_t(bpp) * SIDE + 31) / 32 * 4;
    const size_t offset = 14 + 40 + size_t(entries) * 4;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    put32(b, uint32_t(offset + stride * SIDE));
    put32(b, 0);
    put32(b, uint32_t(offset));
    put32(b, 40);
    put32(b, SIDE);
    put32(b, SIDE);
    put16(b, 1);
    put16(b, uint32_t(bpp));
    put32(b, 0);
    put32(b, uint32_t(stride * SIDE));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, uint32_t(entries));
    put32(b, 0);
    for (int i = 0; i < entries; ++i) put32(b, uint32_t(i * 0x010305) & 0xFFFFFFu);
    uint32_t seed = 12345;
    for (int y = 0; y < SIDE; ++y)
        for (size_t x = 0; x < stride; ++x) {
            seed = seed * 1664525u + 1013904223u;
            b.push_back(uint8_t((seed >> 24) ^ (x + y)));
        }
    return b;
}

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Best MB/s (decoded RGB bytes) over a fixed number of runs.
template <typename Decode>
double bestRate(Decode decode, int runs) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = nowSeconds();
        decode();
        best = std::min(best, nowSeconds() - start);
    }
    return double(SIDE) * SIDE * 3 / 1e6 / best;
}

void benchOne(const char* name, int bpp, int runs) {
    const Bytes file = makeBmp(bpp);
    const double ours = bestRate(
        [&] {
            const char* failure = nullptr;
            ImageRecord* image = decodeBmp(file.data(), file.size(), &failure);
            if (!image) {
                std::printf("decodeBmp failed: %s\n", failure);
                std::exit(1);
            }
            std::free(image->data);
            std::free(image);
        },
        runs);
    std::printf("%-22s ours %8.1f MB/s", name, ours);
#ifdef MERROWIND_HAVE_STB
    const double stb = bestRate(
        [&] {
            int w, h, n;
            unsigned char* rgb =
                stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
            if (!rgb) {
                std::printf("stb_image failed: %s\n", stbi_failure_reason());
                std::exit(1);
            }
            stbi_image_free(rgb);
        },
        runs);
    std::printf("   stb_image %8.1f MB/s   ratio ours/stb %5.2f", stb, ours / stb);

    // Same pixels? stb gives the top row first, we give the bottom row first.
    const char* failure = nullptr;
    ImageRecord* image = decodeBmp(file.data(), file.size(), &failure);
    int w, h, n;
    unsigned char* rgb = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
    bool same = image && rgb && w == SIDE && h == SIDE;
    for (int y = 0; same && y < SIDE; ++y)
        same = std::memcmp(image->data + size_t(y) * SIDE * 3,
                           rgb + size_t(SIDE - 1 - y) * SIDE * 3, size_t(SIDE) * 3) == 0;
    std::printf("   %s", same ? "same pixels" : "PIXELS DIFFER");
    if (image) {
        std::free(image->data);
        std::free(image);
    }
    stbi_image_free(rgb);
#endif
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    std::printf("BMP decode, %d x %d, best of %d runs, MB/s of decoded RGB\n", SIDE, SIDE, runs);
#ifndef MERROWIND_HAVE_STB
    std::printf("(stb_image not found at configure time: install libstb-dev for the comparison)\n");
#endif
    benchOne("24-bit", 24, runs);
    benchOne("8-bit, 256 colours", 8, runs);
    return 0;
}
