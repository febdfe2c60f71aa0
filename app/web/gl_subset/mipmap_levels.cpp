// The subset's mipmap arithmetic, apart from WebGL so that the native GL
// tests can hold it against Mesa's GLU (tests/gl/test_mipmap_levels.cpp).
#include "app/web/gl_subset/mipmap_levels.h"

#include <algorithm>

int mipmapNearestPower(int value) {
    int power = 1;
    for (;;) {
        if (value == 1) return power;
        if (value == 3) return power * 4;
        value >>= 1;
        power *= 2;
    }
}

std::vector<uint8_t> mipmapScale(const uint8_t* src, int width, int height, int channels,
                                 int newWidth, int newHeight) {
    std::vector<uint8_t> out(static_cast<size_t>(newWidth) * newHeight * channels);
    for (int y = 0; y < newHeight; ++y) {
        int y0 = y * height / newHeight, y1 = std::max(y0 + 1, (y + 1) * height / newHeight);
        for (int x = 0; x < newWidth; ++x) {
            int x0 = x * width / newWidth, x1 = std::max(x0 + 1, (x + 1) * width / newWidth);
            for (int c = 0; c < channels; ++c) {
                unsigned sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx) sum += src[(sy * width + sx) * channels + c];
                const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
                out[(static_cast<size_t>(y) * newWidth + x) * channels + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}

std::vector<uint8_t> mipmapHalve(const std::vector<uint8_t>& src, int width, int height,
                                 int channels) {
    const int w = std::max(1, width / 2), h = std::max(1, height / 2);
    const int dx = width > 1 ? 1 : 0, dy = height > 1 ? 1 : 0;
    const unsigned count = static_cast<unsigned>((dx + 1) * (dy + 1));
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                const int sx = x * 2, sy = y * 2;
                unsigned sum = src[(sy * width + sx) * channels + c];
                if (dx) sum += src[(sy * width + sx + 1) * channels + c];
                if (dy) sum += src[((sy + 1) * width + sx) * channels + c];
                if (dx && dy) sum += src[((sy + 1) * width + sx + 1) * channels + c];
                out[(static_cast<size_t>(y) * w + x) * channels + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
    return out;
}
