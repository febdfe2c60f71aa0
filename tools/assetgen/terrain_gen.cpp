// The height map, the terrain's colour map and the detail grain.
//
// The map repeats every 1024 units in x and z (the scene samples it with
// wrapped coordinates and draws one extra 16-unit column of the next tile), so
// every noise here is periodic with a period dividing 1024.
#include "tools/assetgen/assetgen.h"

#include "world/scene_layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int N = MAP_EDGE;
constexpr float PI = 3.14159265f;

// The basin's centre: where the camera and the kart start, on the eye's line
// and inside the kart's length (502 is where the art was tuned).
constexpr float START_X = 502.0f;
constexpr float START_Z = START_EYE[2];
static_assert(START_X > START_KART_CORNERS[0][0] && START_X < START_KART_CORNERS[2][0],
              "the basin must be centred on the kart");
// The lake in front of the start, a little to the viewer's right (+z).
constexpr float LAKE_X = 650.0f;
constexpr float LAKE_Z = 302.0f;

inline int wrap(int v) { return v & (N - 1); }
inline size_t at(int x, int z) {
    return static_cast<size_t>(wrap(x)) + static_cast<size_t>(wrap(z)) * N;
}

// Distance from a to b along one axis of the repeating map.
inline float periodicOffset(float a, float b) {
    float d = a - b;
    d -= N * std::floor(d / N + 0.5f);
    return d;
}

// Distance from p to the nearest tile edge (p = 0 or 1024) along one axis.
inline float edgeDistance(float p) { return std::fabs(periodicOffset(p, 0.0f)); }

// Separable box blur with wrap-around, radius r, applied in place.
void blurPeriodic(std::vector<float>& f, int r) {
    std::vector<float> tmp(f.size());
    const float k = 1.0f / (2 * r + 1);
    for (int z = 0; z < N; ++z) {
        float s = 0.0f;
        for (int i = -r; i <= r; ++i) s += f[at(i, z)];
        for (int x = 0; x < N; ++x) {
            tmp[at(x, z)] = s * k;
            s += f[at(x + r + 1, z)] - f[at(x - r, z)];
        }
    }
    for (int x = 0; x < N; ++x) {
        float s = 0.0f;
        for (int i = -r; i <= r; ++i) s += tmp[at(x, i)];
        for (int z = 0; z < N; ++z) {
            f[at(x, z)] = s * k;
            s += tmp[at(x, z + r + 1)] - tmp[at(x, z - r)];
        }
    }
}

// Scattered bushes: at most one per 8-unit cell, at a hashed spot. Returns
// how much of (x, z) a bush covers and, separately, how much of it lies in a
// bush's shadow (cast along the light's travel), and how brightly the bush is
// lit there (its sunward side more).
void bushesAt(int x, int z, float density, int travelX, int travelZ, float* cover, float* shade,
              float* glint) {
    *cover = 0.0f;
    *shade = 0.0f;
    *glint = 0.0f;
    int cx = x >> 4, cz = z >> 4;
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx) {
            uint32_t h = hashBits(static_cast<uint32_t>((cx + dx) & 63),
                                  static_cast<uint32_t>((cz + dz) & 63), 97);
            if ((h & 0xFF) / 255.0f >= density) continue;
            float bx = (cx + dx) * 16.0f + ((h >> 8) & 0xFF) / 255.0f * 16.0f;
            float bz = (cz + dz) * 16.0f + ((h >> 16) & 0xFF) / 255.0f * 16.0f;
            float r = 2.2f + ((h >> 24) & 0xFF) / 255.0f * 2.4f;
            float ox = x - bx, oz = z - bz;
            float c = smoothStep(r, r - 1.2f, std::sqrt(ox * ox + oz * oz));
            if (c > *cover) {
                *cover = c;
                *glint = clamp01(-(ox * travelX + oz * travelZ) / (r * 1.41f));
            }
            float sx = ox - travelX * 2.5f, sz = oz - travelZ * 2.5f;
            *shade = std::max(*shade, smoothStep(r + 0.3f, r - 1.2f, std::sqrt(sx * sx + sz * sz)));
        }
    }
}

}  // namespace

HeightModel buildHeightModel() {
    HeightModel m;
    m.height.resize(static_cast<size_t>(N) * N);
    m.bed.resize(m.height.size());
    m.waterLevel = 13.0f;

    parallelRows(N, [&](int z) {
        for (int x = 0; x < N; ++x) {
            // Lattice coordinates: 256 units a cell, so a period of 4 cells.
            float u = x / 256.0f, v = z / 256.0f;
            // Warping the domain bends the ring and the hills out of the grid.
            float px = x + 56.0f * fractalNoise(u + 0.37f, v + 0.71f, 4, 2, 0.5f, 11);
            float pz = z + 56.0f * fractalNoise(u + 2.13f, v + 3.59f, 4, 2, 0.5f, 12);
            float pu = px / 256.0f, pv = pz / 256.0f;

            float hills = fractalNoise(pu, pv, 4, 5, 0.5f, 21);
            float interior = 42.0f + 38.0f * hills;

            // Mountains along the tile's edges: soft union of the two strips so
            // the ring is smooth where they meet at the corners.
            float reach = 320.0f + 80.0f * fractalNoise(pu * 2.0f, pv * 2.0f, 8, 2, 0.5f, 13);
            float rx = 1.0f - smoothStep(30.0f, reach, edgeDistance(px));
            float rz = 1.0f - smoothStep(30.0f, reach, edgeDistance(pz));
            float ring = 1.0f - (1.0f - rx) * (1.0f - rz);
            float crests = ridgedNoise(pu, pv, 4, 5, 0.42f, 31);
            float mountains = 84.0f + 150.0f * crests + 16.0f * hills;
            float h = lerp(interior, mountains, ring);

            // The basin the kart starts in: low, almost level ground, reaching
            // further ahead of the start (+x) than elsewhere, past the lake.
            float bx = periodicOffset(static_cast<float>(x), START_X);
            float bz = periodicOffset(static_cast<float>(z), START_Z);
            if (bx > 0.0f) bx *= 0.6f;
            float basin = 1.0f - smoothStep(80.0f, 290.0f, std::sqrt(bx * bx + bz * bz));
            float floor = 22.0f + 5.0f * hills;
            h = lerp(h, floor, basin);

            // The lake: a hollow whose bed dips below the water level.
            float lx = periodicOffset(px, LAKE_X);
            float lz = periodicOffset(pz, LAKE_Z) * 1.3f;
            if (std::fabs(lx) < 160.0f && std::fabs(lz) < 160.0f) {
                // A ragged shore: bays and points from a finer warp.
                lx += 26.0f * fractalNoise(x / 64.0f, z / 64.0f, 16, 2, 0.5f, 14);
                lz += 26.0f * fractalNoise(x / 64.0f, z / 64.0f, 16, 2, 0.5f, 15);
                float lake = smoothStep(110.0f, 20.0f, std::sqrt(lx * lx + lz * lz));
                h = lerp(h, 4.0f, lake);
            }

            h = std::min(std::max(h, 1.0f), 252.0f);
            m.bed[at(x, z)] = h;
            // Land stays at least half a unit above the water, so once stored
            // as whole units the water level is the lake and nothing else.
            m.height[at(x, z)] = h < m.waterLevel ? m.waterLevel : std::max(h, m.waterLevel + 0.5f);
        }
    });
    return m;
}

std::vector<uint8_t> heightBytes(const HeightModel& model) {
    std::vector<uint8_t> bytes(model.height.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] =
            static_cast<uint8_t>(std::lround(std::min(std::max(model.height[i], 0.0f), 255.0f)));
    return bytes;
}

// Which texel lands where: the ground at (x, z) gets s = x / 1024 and
// t = -z / 1024 with repeat wrap, so t wraps to 1 - z / 1024. GL's t = 0 is
// the first stored row, which in a BMP is the picture's bottom row. Texel
// centre (column j, stored row i) therefore sits at s = (j + 0.5) / 1024,
// t = (i + 0.5) / 1024, that is world x = j + 0.5 and z = 1023.5 - i. Each
// texel is the mean of the four samples around that point:
// x in {j, j + 1}, z in {1023 - i, 1024 - i}, all wrapped.
RgbImage terrainColourMap(const HeightModel& model) {
    const std::vector<float>& height = model.height;
    const float water = model.waterLevel;

    // Shading relief: the ground plus fine bumps that the 16-unit mesh is too
    // coarse to show but the texture can.
    std::vector<float> relief(height.size());
    parallelRows(N, [&](int z) {
        for (int x = 0; x < N; ++x)
            relief[at(x, z)] =
                height[at(x, z)] + (height[at(x, z)] > water
                                        ? 1.2f * fractalNoise(x / 16.0f, z / 16.0f, 64, 3, 0.5f, 61)
                                        : 0.0f);
    });

    // Sun high behind the start view's right: its light travels toward +x
    // and -z, so the valley the kart starts in is not in the shadow of the
    // mountains on its left.
    const float elevation = 46.0f * PI / 180.0f;
    const int travelX = 1, travelZ = -1;
    const float sunX = -travelX * std::cos(elevation) / std::sqrt(2.0f);
    const float sunY = std::sin(elevation);
    const float sunZ = -travelZ * std::cos(elevation) / std::sqrt(2.0f);

    // Cast shadows. With the sun on a diagonal, the ray from a sample toward
    // the sun passes exactly through earlier samples of the same diagonal, and
    // each wrapped diagonal is one closed line: start at its highest sample
    // (which nothing on the line can shade) and carry the shadow's top along
    // it. A blur afterwards gives the edges a penumbra.
    std::vector<float> lit(height.size(), 1.0f);
    const float drop = std::sqrt(2.0f) * std::tan(elevation);
    parallelRows(N, [&](int c) {
        auto cell = [&](int i) { return at(c + travelX * i, travelZ * i); };
        int top = 0;
        for (int i = 1; i < N; ++i)
            if (relief[cell(i)] > relief[cell(top)]) top = i;
        float shadowTop = relief[cell(top)];
        for (int k = 1; k <= N; ++k) {
            float h = relief[cell(top + k)];
            shadowTop -= drop;
            if (h >= shadowTop) {
                shadowTop = h;
            } else {
                lit[cell(top + k)] = 1.0f - smoothStep(0.0f, 4.0f, shadowTop - h);
            }
        }
    });
    blurPeriodic(lit, 2);
    blurPeriodic(lit, 2);

    // Hollows get less sky light: compare each sample with its surroundings.
    std::vector<float> surround(height.begin(), height.end());
    blurPeriodic(surround, 12);
    blurPeriodic(surround, 12);

    const Colour grassLush = srgbColour(74, 114, 44);
    const Colour grassDry = srgbColour(134, 132, 76);
    const Colour shrub = srgbColour(50, 78, 38);
    const Colour bush = srgbColour(50, 84, 34);
    const Colour soil = srgbColour(122, 100, 72);
    const Colour sand = srgbColour(200, 184, 140);
    const Colour rock = srgbColour(124, 120, 114);
    const Colour rockDark = srgbColour(84, 80, 78);
    const Colour snow = srgbColour(242, 245, 250);
    const Colour deepWater = srgbColour(24, 52, 70);
    const Colour shallowWater = srgbColour(56, 100, 104);
    const Colour sunLight = {1.16f, 1.10f, 0.96f};
    const Colour mistColour = srgbColour(220, 224, 230);
    const Colour skyLight = {0.30f, 0.35f, 0.45f};

    std::vector<Colour> sample(height.size());
    parallelRows(N, [&](int z) {
        for (int x = 0; x < N; ++x) {
            size_t idx = at(x, z);
            float h = height[idx];
            float nx = -(relief[at(x + 1, z)] - relief[at(x - 1, z)]) * 0.5f;
            float nz = -(relief[at(x, z + 1)] - relief[at(x, z - 1)]) * 0.5f;
            float len = std::sqrt(nx * nx + 1.0f + nz * nz);
            nx /= len;
            nz /= len;
            float ny = 1.0f / len;
            // Steepness (rise over run) of the ground itself, for the materials.
            float gx = (height[at(x + 1, z)] - height[at(x - 1, z)]) * 0.5f;
            float gz = (height[at(x, z + 1)] - height[at(x, z - 1)]) * 0.5f;
            float steep = std::sqrt(gx * gx + gz * gz);

            float broad = fractalNoise(x / 128.0f, z / 128.0f, 8, 4, 0.55f, 41);
            float patch = fractalNoise(x / 32.0f, z / 32.0f, 32, 3, 0.5f, 42);
            float fine = gradientNoise(x / 4.0f, z / 4.0f, 256, 43);

            Colour albedo;
            float bushShade = 0.0f;
            if (model.bed[idx] < water) {
                float depth = water - model.bed[idx];
                albedo = mix(shallowWater, deepWater, smoothStep(0.0f, 9.0f, depth));
                albedo = scale(albedo, 1.0f + 0.04f * patch);
            } else {
                albedo =
                    mix(grassLush, grassDry, 0.8f * smoothStep(-0.1f, 0.6f, broad + 0.25f * patch));
                albedo = mix(albedo, shrub,
                             0.75f * smoothStep(0.0f, 0.45f, patch - 0.5f * broad) *
                                 (1.0f - smoothStep(90.0f, 140.0f, h)));
                albedo = mix(albedo, soil, 0.5f * smoothStep(0.45f, 0.75f, steep + 0.2f * patch));
                float rockiness =
                    std::max(smoothStep(0.62f, 0.95f, steep + 0.3f * patch + 0.1f * fine),
                             smoothStep(135.0f, 180.0f, h + 25.0f * broad) *
                                 smoothStep(0.15f, 0.45f, steep + 0.2f * patch));
                Colour stone = mix(rock, rockDark, smoothStep(-0.3f, 0.5f, patch + 0.4f * fine));
                albedo = mix(albedo, stone, rockiness);
                float snowy = smoothStep(188.0f, 212.0f, h + 22.0f * broad + 6.0f * patch) *
                              (1.0f - smoothStep(0.7f, 1.1f, steep));
                albedo = mix(albedo, snow, snowy);
                float shore = smoothStep(water + 4.5f, water + 1.0f, h + 1.5f * patch);
                albedo = mix(albedo, sand, shore);
                albedo = scale(albedo, 1.0f + 0.07f * fine);

                float density = (0.04f + 0.45f * smoothStep(-0.1f, 0.4f, patch - 0.5f * broad)) *
                                (1.0f - rockiness) *
                                (1.0f - smoothStep(0.0f, 0.5f, shore + snowy)) *
                                (1.0f - smoothStep(95.0f, 135.0f, h));
                float cover, glint;
                bushesAt(x, z, density, travelX, travelZ, &cover, &bushShade, &glint);
                bushShade *= 1.0f - cover;
                albedo = mix(albedo, scale(bush, 0.62f + 0.2f * fine + 1.1f * glint), cover);
            }

            float direct = std::max(0.0f, nx * sunX + ny * sunY + nz * sunZ) * lit[idx] *
                           (1.0f - 0.55f * bushShade);
            float hollow = surround[idx] - h;
            float ambient =
                (0.55f + 0.45f * ny) * std::min(std::max(1.0f - 0.022f * hollow, 0.55f), 1.1f);
            Colour light = add(scale(skyLight, ambient), scale(sunLight, direct));
            Colour lit = multiply(albedo, light);
            // Mist where the ground meets the cloud deck (the sky box's bottom
            // face, at height 78.5): hills fade into it from below and rise
            // out of it from above, instead of being cut off at a hard line.
            float level = h + 3.0f * broad;
            float mist = 0.85f * (level < 78.5f ? smoothStep(38.0f, 78.5f, level)
                                                : 1.0f - smoothStep(78.5f, 98.0f, level));
            sample[idx] = mix(lit, mistColour, mist);
        }
    });

    RgbImage image = makeImage(N, N);
    parallelRows(N, [&](int i) {
        int z0 = N - 1 - i;
        for (int j = 0; j < N; ++j) {
            const Colour& a = sample[at(j, z0)];
            const Colour& b = sample[at(j + 1, z0)];
            const Colour& c = sample[at(j, z0 + 1)];
            const Colour& d = sample[at(j + 1, z0 + 1)];
            uint8_t* p = &image.rgb[(static_cast<size_t>(i) * N + j) * 3];
            p[0] = encodeLinear((a.r + b.r + c.r + d.r) * 0.25f);
            p[1] = encodeLinear((a.g + b.g + c.g + d.g) * 0.25f);
            p[2] = encodeLinear((a.b + b.b + c.b + d.b) * 0.25f);
        }
    });
    return image;
}

// The repeating detail grain, mean 128 so the doubling combiner leaves the
// base colour's average unchanged.
std::vector<uint8_t> detailGrain(int edge) {
    std::vector<float> value(static_cast<size_t>(edge) * edge);
    const int period = edge / 64;
    double sum = 0.0;
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            float clumps = fractalNoise(x / 64.0f, y / 64.0f, period, 5, 0.7f, 71);
            float grit = gradientNoise(x / 2.0f, y / 2.0f, edge / 2, 72);
            float v = 55.0f * clumps + 24.0f * grit;
            value[static_cast<size_t>(y) * edge + x] = v;
            sum += v;
        }
    }
    const float mean = static_cast<float>(sum / value.size());
    std::vector<uint8_t> grey(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        float g = 128.0f + value[i] - mean;
        grey[i] = static_cast<uint8_t>(std::min(std::max(std::lround(g), 0L), 255L));
    }
    return grey;
}
