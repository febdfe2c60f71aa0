// Hashing, tiling gradient noise and the small colour maths the art shares.
#include "tools/assetgen/assetgen.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

RgbImage makeImage(int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    return image;
}

void putPixel(RgbImage& image, int x, int y, Colour c) {
    uint8_t* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
    p[0] = static_cast<uint8_t>(clamp01(c.r) * 255.0f + 0.5f);
    p[1] = static_cast<uint8_t>(clamp01(c.g) * 255.0f + 0.5f);
    p[2] = static_cast<uint8_t>(clamp01(c.b) * 255.0f + 0.5f);
}

// A table keeps the pow() out of the per-texel loops; 4096 steps are finer than
// the 256 output levels.
uint8_t encodeLinear(float v) {
    struct Table {
        uint8_t level[4097];
        Table() {
            for (int i = 0; i <= 4096; ++i) {
                float l = i / 4096.0f;
                float e = l <= 0.0031308f ? 12.92f * l : 1.055f * std::pow(l, 1.0f / 2.4f) - 0.055f;
                level[i] = static_cast<uint8_t>(e * 255.0f + 0.5f);
            }
        }
    };
    static const Table table;
    return table.level[static_cast<int>(clamp01(v) * 4096.0f + 0.5f)];
}

// The art calls this for its constant colours in inner loops, hence the table.
Colour srgbColour(int r, int g, int b) {
    struct Table {
        float linear[256];
        Table() {
            for (int i = 0; i < 256; ++i) {
                float e = i / 255.0f;
                linear[i] = e <= 0.04045f ? e / 12.92f : std::pow((e + 0.055f) / 1.055f, 2.4f);
            }
        }
    };
    static const Table table;
    return {table.linear[r & 255], table.linear[g & 255], table.linear[b & 255]};
}

Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Colour scale(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Colour add(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour multiply(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

// Rows are handed out one at a time from a shared counter, so uneven rows
// (sky texels cost more than haze) still keep every core busy. The win32
// thread model of mingw-w64's libstdc++ has no std::thread; there the rows
// simply run in turn.
void parallelRows(int rows, const std::function<void(int)>& body) {
#if !defined(__GLIBCXX__) || defined(_GLIBCXX_HAS_GTHREADS)
    unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
    std::atomic<int> next(0);
    auto work = [&] {
        for (int row = next++; row < rows; row = next++) body(row);
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < cores; ++i) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
#else
    for (int row = 0; row < rows; ++row) body(row);
#endif
}

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
float lerp(float a, float b, float t) { return a + (b - a) * t; }
float smoothStep(float edge0, float edge1, float v) {
    float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

// Multiply-xorshift rounds: good enough that lattice gradients show no pattern,
// and identical on every platform.
uint32_t hashBits(uint32_t a, uint32_t b, uint32_t seed) {
    uint32_t h = a * 0x8da6b343u ^ b * 0xd8163841u ^ (seed + 0x9e3779b9u) * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

namespace {

// Sixteen evenly spread unit gradients.
struct GradientTable {
    float gx[16], gy[16];
    GradientTable() {
        for (int i = 0; i < 16; ++i) {
            double a = (i + 0.5) * 2.0 * 3.14159265358979323846 / 16.0;
            gx[i] = static_cast<float>(std::cos(a));
            gy[i] = static_cast<float>(std::sin(a));
        }
    }
};
const GradientTable gradients;

inline float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

inline float corner(uint32_t ix, uint32_t iy, uint32_t seedMix, float dx, float dy) {
    uint32_t h = ix * 0x8da6b343u ^ iy * 0xd8163841u ^ seedMix;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h >>= 28;
    return gradients.gx[h] * dx + gradients.gy[h] * dy;
}

}  // namespace

float gradientNoise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    const uint32_t mask = static_cast<uint32_t>(period - 1);
    const uint32_t seedMix = (seed + 0x9e3779b9u) * 0xcb1ab31fu;
    const uint32_t x0 = static_cast<uint32_t>(ix) & mask, x1 = static_cast<uint32_t>(ix + 1) & mask;
    const uint32_t y0 = static_cast<uint32_t>(iy) & mask, y1 = static_cast<uint32_t>(iy + 1) & mask;
    float n00 = corner(x0, y0, seedMix, dx, dy);
    float n10 = corner(x1, y0, seedMix, dx - 1.0f, dy);
    float n01 = corner(x0, y1, seedMix, dx, dy - 1.0f);
    float n11 = corner(x1, y1, seedMix, dx - 1.0f, dy - 1.0f);
    float u = fade(dx), v = fade(dy);
    float a = n00 + (n10 - n00) * u;
    float b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.4f;
}

float fractalNoise(float x, float y, int period, int octaves, float gain, uint32_t seed) {
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(x, y, period, seed + static_cast<uint32_t>(o) * 101u);
        norm += amplitude;
        amplitude *= gain;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / norm;
}

// Each layer is weighted by the one before, so the crests stay sharp and the
// valleys smooth.
float ridgedNoise(float x, float y, int period, int octaves, float gain, uint32_t seed) {
    float sum = 0.0f, amplitude = 1.0f, norm = 0.0f, weight = 1.0f;
    for (int o = 0; o < octaves; ++o) {
        float n =
            1.0f - std::fabs(gradientNoise(x, y, period, seed + static_cast<uint32_t>(o) * 131u));
        n *= n;
        float layer = n * weight;
        weight = clamp01(layer * 1.6f);
        sum += amplitude * layer;
        norm += amplitude;
        amplitude *= gain;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return sum / norm;
}
