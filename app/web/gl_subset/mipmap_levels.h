// What gluBuild2DMipmaps computes in the browser build: GLU's choice of size
// and each level's texels, as Mesa's GLU rounds them. Plain C++ (no GL), so
// the native tests compile it too.
#pragma once

#include <cstdint>
#include <vector>

// GLU's "nearest" power of two: halves down to 1, but a 3 on the way rounds
// up (768 becomes 1024, 600 becomes 512).
int mipmapNearestPower(int value);

// Resamples to a new size by averaging the source texels each target texel
// covers (or taking the nearest where it grows).
std::vector<uint8_t> mipmapScale(const uint8_t* src, int width, int height, int channels,
                                 int newWidth, int newHeight);

// The next mipmap level: each texel the rounded mean of the 2 x 2 (or, once
// a side is 1, 2 x 1) texels above it.
std::vector<uint8_t> mipmapHalve(const std::vector<uint8_t>& src, int width, int height,
                                 int channels);
