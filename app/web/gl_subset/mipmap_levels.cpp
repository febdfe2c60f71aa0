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

// A side of 1 reads its one texel twice: the mean of the doubled pair rounds
// as that of the pair does, so each level is one tight loop (the scene's
// pictures are averaged down while its first frame waits).
std::vector<uint8_t> mipmapHalve(const std::vector<uint8_t>& src, int width, int height,
                                 int channels) {
    const int w = std::max(1, width / 2), h = std::max(1, height / 2);
    const size_t right = width > 1 ? channels : 0;
    const size_t down = height > 1 ? static_cast<size_t>(width) * channels : 0;
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * channels);
    uint8_t* o = out.data();
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = src.data() + static_cast<size_t>(2 * y) * width * channels;
        for (int x = 0; x < w; ++x, p += 2 * channels)
            for (int c = 0; c < channels; ++c)
                *o++ = static_cast<uint8_t>(
                    (p[c] + p[c + right] + p[c + down] + p[c + down + right] + 2) / 4);
    }
    return out;
}
