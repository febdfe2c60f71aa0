// A rough software picture of the scene, for judging the art without a GL
// window: the terrain as the 16-unit mesh draws it, the turned sky box with
// its six pictures, and the kart where the camera carries it. Ray marched,
// point-sampled mipmaps aside; close enough to see colours, seams and framing.
#include "tools/assetgen/assetgen.h"

#include "camera/view_volume.h"
#include "world/frame.h"
#include "world/height_map.h"
#include "world/scene_layout.h"
#include "world/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float PI = 3.14159265f;

struct Scene {
    HeightModel model;
    std::vector<uint8_t> heights;
    RgbImage terrain;
    std::vector<uint8_t> detail;
    RgbImage sky[SKY_FACE_COUNT];
    RgbImage kartTop, kartBack;
};

static_assert(MAP_EDGE == TERRAIN_EDGE, "the generated map is the one the program reads");

// Height of the drawn mesh (GRID_STEP cells, bilinear rather than the strip's
// triangles); the column at x = 1040 wraps to the first, as the program's does.
float meshHeight(const Scene& s, float x, float z) {
    const float step = static_cast<float>(GRID_STEP);
    int cx = static_cast<int>(std::floor(x / step)) * GRID_STEP,
        cz = static_cast<int>(std::floor(z / step)) * GRID_STEP;
    float fx = (x - cx) / step, fz = (z - cz) / step;
    const uint8_t* map = s.heights.data();
    float h00 = sampleHeight(map, cx, cz), h10 = sampleHeight(map, cx + GRID_STEP, cz);
    float h01 = sampleHeight(map, cx, cz + GRID_STEP);
    float h11 = sampleHeight(map, cx + GRID_STEP, cz + GRID_STEP);
    return lerp(lerp(h00, h10, fx), lerp(h01, h11, fx), fz);
}

// Bilinear lookup with repeat or clamp, (u, v) in texels from the first row.
Colour texel(const RgbImage& im, float u, float v, bool repeat) {
    u -= 0.5f;
    v -= 0.5f;
    int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
    float fx = u - x0, fy = v - y0;
    auto at = [&](int x, int y) {
        if (repeat) {
            x = ((x % im.width) + im.width) % im.width;
            y = ((y % im.height) + im.height) % im.height;
        } else {
            x = std::min(std::max(x, 0), im.width - 1);
            y = std::min(std::max(y, 0), im.height - 1);
        }
        const uint8_t* p = &im.rgb[(static_cast<size_t>(y) * im.width + x) * 3];
        return Colour{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
    };
    return mix(mix(at(x0, y0), at(x0 + 1, y0), fx), mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), fx),
               fy);
}

float detailAt(const Scene& s, float u, float v) {
    int n = DETAIL_EDGE;
    int x = ((static_cast<int>(std::floor(u * n)) % n) + n) % n;
    int y = ((static_cast<int>(std::floor(v * n)) % n) + n) % n;
    return s.detail[static_cast<size_t>(y) * n + x] / 255.0f;
}

// The ground under a point as the program samples it: truncated, wrapped, and
// defined for any float the command line brings.
int groundUnder(const Scene& s, float x, float z) {
    return sampleHeightUnder(s.heights.data(), x, z);
}

}  // namespace

// Renders the scene from `camera` into a binary PPM.
bool writePreview(const std::string& path, const PreviewCamera& camera, int width, int height) {
    Scene s;
    s.model = buildHeightModel();
    s.heights = heightBytes(s.model);
    s.terrain = terrainColourMap(s.model);
    s.detail = detailGrain(DETAIL_EDGE);
    for (int f = 0; f < SKY_FACE_COUNT; ++f) {
        int w, h;
        skyFaceSize(static_cast<SkyFace>(f), &w, &h);
        s.sky[f] = skyFaceImage(static_cast<SkyFace>(f), w, h);
    }
    s.kartTop = kartTopImage(KART_TOP_EDGE);
    s.kartBack = kartBackImage(KART_BACK_WIDTH, KART_BACK_HEIGHT);

    float eye[3] = {camera.eye[0], camera.eye[1], camera.eye[2]};
    float ground = static_cast<float>(groundUnder(s, eye[0], eye[2]) + EYE_CLEARANCE);
    if (ground > eye[1]) eye[1] = ground;

    const float yaw = camera.yawDegrees * PI / 180.0f, pitch = camera.pitchDegrees * PI / 180.0f;
    const float fwd[3] = {std::cos(pitch) * std::cos(yaw), std::sin(pitch),
                          std::cos(pitch) * std::sin(yaw)};
    const float right[3] = {-std::sin(yaw), 0.0f, std::cos(yaw)};
    const float up[3] = {right[1] * fwd[2] - right[2] * fwd[1],
                         right[2] * fwd[0] - right[0] * fwd[2],
                         right[0] * fwd[1] - right[1] * fwd[0]};
    const float tanHalf = static_cast<float>(std::tan(FIELD_OF_VIEW / 2.0 * PI / 180.0));
    const float aspect = static_cast<float>(width) / height;

    // The kart: the start layout (the corners' offsets from the eye, whose view
    // starts along +x) carried with the yaw.
    float corner[4][3];
    for (int i = 0; i < 4; ++i) {
        const float ahead = START_KART_CORNERS[i][0] - START_EYE[0];
        const float side = START_KART_CORNERS[i][1] - START_EYE[2];
        corner[i][0] = camera.eye[0] + ahead * std::cos(yaw) - side * std::sin(yaw);
        corner[i][2] = camera.eye[2] + ahead * std::sin(yaw) + side * std::cos(yaw);
    }
    corner[0][1] = corner[3][1] =
        static_cast<float>(groundUnder(s, corner[0][0], corner[0][2]) + KART_RIDE_HEIGHT);
    corner[1][1] = corner[2][1] =
        static_cast<float>(groundUnder(s, corner[1][0], corner[1][2]) + KART_RIDE_HEIGHT);

    const float turn = camera.skyAngle * PI / 180.0f;
    const float ct = std::cos(turn), st = std::sin(turn);

    std::vector<uint8_t> out(static_cast<size_t>(width) * height * 3);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            float sx = (2.0f * (px + 0.5f) / width - 1.0f) * tanHalf * aspect;
            float sy = (1.0f - 2.0f * (py + 0.5f) / height) * tanHalf;
            float d[3];
            for (int k = 0; k < 3; ++k) d[k] = fwd[k] + sx * right[k] + sy * up[k];
            float depthScale = 1.0f;  // view depth per unit of ray parameter
            Colour colour = {0, 0, 0};
            float best = static_cast<float>(FAR_PLANE) / depthScale;

            // Sky box, in its own unturned frame.
            float o[3] = {eye[0] - SKY_PIVOT_X, eye[1], eye[2] - SKY_PIVOT_Z};
            float lo[3] = {ct * o[0] - st * o[2], o[1], st * o[0] + ct * o[2]};
            float ld[3] = {ct * d[0] - st * d[2], d[1], st * d[0] + ct * d[2]};
            SkyFace face;
            float fs, ft, dist;
            if (skyRayHit(lo, ld, &face, &fs, &ft, &dist) && dist < best) {
                best = dist;
                const RgbImage& im = s.sky[face];
                colour = texel(im, fs * im.width, ft * im.height, false);
            }

            // Terrain, marched, within the drawn tile.
            float t = static_cast<float>(NEAR_PLANE);
            float prevT = t;
            while (t < best) {
                float x = eye[0] + d[0] * t, y = eye[1] + d[1] * t, z = eye[2] + d[2] * t;
                bool inside =
                    x >= 0.0f && x <= float(TILE_WIDTH) && z >= 0.0f && z <= float(ROW_LIMIT);
                if (inside && y <= meshHeight(s, x, z)) {
                    float a = prevT, b = t;
                    for (int i = 0; i < 10; ++i) {
                        float m = 0.5f * (a + b);
                        float mx = eye[0] + d[0] * m, mz = eye[2] + d[2] * m;
                        if (eye[1] + d[1] * m <= meshHeight(s, mx, mz))
                            b = m;
                        else
                            a = m;
                    }
                    best = b;
                    float hx = eye[0] + d[0] * b, hz = eye[2] + d[2] * b;
                    // The program's texture coordinates: x / 1024 and -z / 1024.
                    const float edge = static_cast<float>(TERRAIN_EDGE);
                    float u = hx / edge, v = -hz / edge;
                    v -= std::floor(v);
                    Colour base = texel(s.terrain, u * s.terrain.width, v * s.terrain.height, true);
                    float g = 2.0f * detailAt(s, u * DETAIL_REPEAT_START, v * DETAIL_REPEAT_START);
                    colour = {std::min(base.r * g, 1.0f), std::min(base.g * g, 1.0f),
                              std::min(base.b * g, 1.0f)};
                    break;
                }
                prevT = t;
                t += 0.25f + t * 0.004f;
            }

            // Kart top (a level quad at the mean corner height) and back panel.
            float topY = 0.5f * (corner[0][1] + corner[1][1]) + 1.0f;
            if (std::fabs(d[1]) > 1e-6f) {
                float k = (topY - eye[1]) / d[1];
                if (k > 0.0f && k < best) {
                    float hx = eye[0] + d[0] * k - corner[0][0],
                          hz = eye[2] + d[2] * k - corner[0][2];
                    float along = hx * std::cos(yaw) + hz * std::sin(yaw);
                    float across = -hx * std::sin(yaw) + hz * std::cos(yaw);
                    if (along >= 0.0f && along <= 5.0f && across >= 0.0f && across <= 5.0f) {
                        best = k;
                        colour = texel(s.kartTop, across / 5.0f * s.kartTop.width,
                                       along / 5.0f * s.kartTop.height, true);
                    }
                }
            }
            float facing = d[0] * std::cos(yaw) + d[2] * std::sin(yaw);
            if (std::fabs(facing) > 1e-6f) {
                float k = ((corner[0][0] - eye[0]) * std::cos(yaw) +
                           (corner[0][2] - eye[2]) * std::sin(yaw)) /
                          facing;
                if (k > 0.0f && k < best) {
                    float hx = eye[0] + d[0] * k - corner[0][0],
                          hz = eye[2] + d[2] * k - corner[0][2];
                    float across = -hx * std::sin(yaw) + hz * std::cos(yaw);
                    float up01 = eye[1] + d[1] * k -
                                 (corner[0][1] + (corner[1][1] - corner[0][1]) * across / 5.0f);
                    if (across >= 0.0f && across <= 5.0f && up01 >= 0.0f && up01 <= 1.0f) {
                        best = k;
                        colour = texel(s.kartBack, across / 5.0f * s.kartBack.width,
                                       up01 * s.kartBack.height, true);
                    }
                }
            }

            uint8_t* p = &out[(static_cast<size_t>(py) * width + px) * 3];
            p[0] = static_cast<uint8_t>(clamp01(colour.r) * 255.0f + 0.5f);
            p[1] = static_cast<uint8_t>(clamp01(colour.g) * 255.0f + 0.5f);
            p[2] = static_cast<uint8_t>(clamp01(colour.b) * 255.0f + 0.5f);
        }
    }

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}
