// The six sky faces.
//
// Every texel is coloured from the box point it is drawn at, so neighbouring
// faces agree along their shared edges whatever the texture orientation; only
// the (s, t) -> point tables below must match how the box is drawn.
//
// The viewer never stands near the box's centre: the eye stays within about
// 10..265 units of height while the box spans 78.5..1078.5, so the sky is
// projected from a point 100 units above the bottom face. From there the side
// faces hold the horizon low down, where the viewer actually looks. The bottom
// face, a horizontal plane seen from below in the valleys and from above on
// the peaks, is a cloud deck; it fades to the same haze as the side faces'
// lowest band, so the two meet without a seam.
#include "tools/assetgen/assetgen.h"

#include "world/scene_layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float CX = SKY_CENTRE[0], CY = SKY_CENTRE[1], CZ = SKY_CENTRE[2];
constexpr float WIDTH = SKY_SIZE[0], HEIGHT = SKY_SIZE[1], LENGTH = SKY_SIZE[2];
constexpr float VIEW_LIFT = 100.0f;     // projection point above the bottom face
constexpr float CLOUD_HEIGHT = 700.0f;  // cloud layer above the projection point
constexpr int NOISE_PERIOD = 1 << 16;   // the sky does not tile; just large

struct Vec {
    float x, y, z;
};

Vec normalise(Vec v) {
    float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}

float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

const Vec SUN = normalise({0.42f, 0.36f, -0.83f});

Colour horizonColour() { return srgbColour(196, 212, 228); }
Colour zenithColour() { return srgbColour(64, 112, 186); }
// Far cloud deck and the haze under the horizon (the same colour on purpose).
Colour hazeColour() { return srgbColour(206, 212, 220); }

// Brightening toward the sun, for every face alike (the bottom face too, so
// the haze band stays seamless).
Colour sunGlow(Vec d) {
    float c = std::max(0.0f, dot(d, SUN));
    float glow = 0.22f * std::pow(c, 8.0f) + 0.45f * std::pow(c, 160.0f);
    float disc = smoothStep(0.99955f, 0.99975f, c) * 6.0f;
    return scale(Colour{1.0f, 0.90f, 0.72f}, glow + disc);
}

// Sky seen from the projection point along unit direction d.
Colour skyAlong(Vec d) {
    Colour sky = mix(horizonColour(), zenithColour(), std::pow(clamp01(d.y), 0.5f));

    if (d.y > 0.0f) {
        // Fair-weather clouds on a flat layer; beyond a few thousand units
        // they are too small to draw and fade into the horizon.
        float reach = CLOUD_HEIGHT / std::max(d.y, 0.02f);
        float cx = d.x * reach, cz = d.z * reach;
        float far = smoothStep(3000.0f, 14000.0f, reach);
        int octaves = reach > 6000.0f ? 3 : 5;
        float shape = fractalNoise(cx / 1400.0f, cz / 1400.0f, NOISE_PERIOD, octaves, 0.5f, 81);
        float density = smoothStep(0.02f, 0.32f, shape) * (1.0f - far);
        // Shading: thicker toward the sun side means lit tops.
        float toward = fractalNoise((cx + SUN.x * 120.0f) / 1400.0f,
                                    (cz + SUN.z * 120.0f) / 1400.0f, NOISE_PERIOD, 3, 0.5f, 81);
        float lit = clamp01(0.62f + 3.0f * (toward - shape) + 0.5f * (shape - 0.2f));
        Colour cloud = mix(srgbColour(150, 158, 174), srgbColour(250, 250, 248), lit);
        sky = mix(sky, cloud, 0.92f * density);
        // A thin general haze near the horizon softens the join.
        sky = mix(sky, horizonColour(), 0.6f * far);
    }

    // Under the horizon: the distant cloud deck.
    float above = smoothStep(-0.03f, 0.012f, d.y);
    sky = mix(hazeColour(), sky, above);
    return add(sky, sunGlow(d));
}

Colour display(Colour c);

// Thickness of the cloud deck: broad swells and rounded heaps (folded noise
// makes round tops with creases between them).
float deckThickness(float x, float z) {
    float swell = fractalNoise(x / 1100.0f, z / 1100.0f, NOISE_PERIOD, 3, 0.5f, 91);
    float heaps = 0.0f, amplitude = 1.0f;
    float u = x / 320.0f, v = z / 320.0f;
    for (int o = 0; o < 4; ++o) {
        heaps += amplitude * std::fabs(gradientNoise(u, v, NOISE_PERIOD, 92 + o));
        amplitude *= 0.4f;
        u *= 2.1f;
        v *= 2.1f;
    }
    return 0.9f * swell + 0.8f * heaps;
}

// The cloud deck at world (x, z) on the bottom face, given its thickness
// there and a little way toward the sun.
Colour deckAt(float x, float z, float thickness, float toward) {
    // Light the heaps from the sun's side, from the slope of the thickness.
    float lit = clamp01(0.7f + 2.6f * (toward - thickness) + 0.3f * thickness);
    Colour tops = mix(srgbColour(150, 158, 174), srgbColour(246, 246, 246), lit);
    // Thin places: a darker, bluish grey (the shade between the heaps).
    Colour gap = srgbColour(128, 142, 162);
    Colour deck = mix(gap, tops, smoothStep(-0.25f, 0.25f, thickness));

    float r = std::sqrt((x - CX) * (x - CX) + (z - CZ) * (z - CZ));
    deck = mix(deck, hazeColour(), smoothStep(1250.0f, 1980.0f, r));
    Vec d = normalise({x - CX, -VIEW_LIFT, z - CZ});
    return add(deck, sunGlow(d));
}

// The bottom face: the deck's thickness once per texel (with a margin), then
// each texel lit from the thickness a few texels toward the sun.
void renderDeck(RgbImage& image) {
    const int w = image.width, h = image.height, margin = 8;
    const int gw = w + 2 * margin, gh = h + 2 * margin;
    std::vector<float> thickness(static_cast<size_t>(gw) * gh);
    parallelRows(gh, [&](int gj) {
        for (int gi = 0; gi < gw; ++gi) {
            float p[3];
            skyFacePoint(SKY_BOTTOM, (gi - margin + 0.5f) / w, (gj - margin + 0.5f) / h, p);
            thickness[static_cast<size_t>(gj) * gw + gi] = deckThickness(p[0], p[2]);
        }
    });
    // s runs toward -x and t toward +z on this face.
    const float reach = 30.0f;
    const float di = -SUN.x * reach * w / WIDTH, dj = SUN.z * reach * h / LENGTH;
    parallelRows(h, [&](int j) {
        for (int i = 0; i < w; ++i) {
            float u = i + margin + di, v = j + margin + dj;
            int u0 = static_cast<int>(std::floor(u)), v0 = static_cast<int>(std::floor(v));
            float fu = u - u0, fv = v - v0;
            auto T = [&](int a, int b) { return thickness[static_cast<size_t>(b) * gw + a]; };
            float toward = lerp(lerp(T(u0, v0), T(u0 + 1, v0), fu),
                                lerp(T(u0, v0 + 1), T(u0 + 1, v0 + 1), fu), fv);
            float p[3];
            skyFacePoint(SKY_BOTTOM, (i + 0.5f) / w, (j + 0.5f) / h, p);
            putPixel(image, i, j, display(deckAt(p[0], p[2], T(i + margin, j + margin), toward)));
        }
    });
}

Colour display(Colour c) {
    return {encodeLinear(c.r) / 255.0f, encodeLinear(c.g) / 255.0f, encodeLinear(c.b) / 255.0f};
}

}  // namespace

SkyBoxGeometry skyBoxGeometry() {
    SkyBoxGeometry g;
    g.x0 = CX - WIDTH / 2;
    g.x1 = g.x0 + WIDTH;
    g.y0 = CY - HEIGHT / 2;
    g.y1 = g.y0 + HEIGHT;
    g.z0 = CZ - LENGTH / 2;
    g.z1 = g.z0 + LENGTH;
    return g;
}

// Read off the vertex lists of the drawn quads: every face maps (s, t) affinely
// onto its rectangle.
void skyFacePoint(SkyFace face, float s, float t, float p[3]) {
    const SkyBoxGeometry g = skyBoxGeometry();
    switch (face) {
    case SKY_BACK:
        p[0] = g.x0 + s * WIDTH;
        p[1] = g.y0 + t * HEIGHT;
        p[2] = g.z0;
        break;
    case SKY_FRONT:
        p[0] = g.x1 - s * WIDTH;
        p[1] = g.y0 + t * HEIGHT;
        p[2] = g.z1;
        break;
    case SKY_BOTTOM:
        p[0] = g.x1 - s * WIDTH;
        p[1] = g.y0;
        p[2] = g.z0 + t * LENGTH;
        break;
    case SKY_TOP:
        p[0] = g.x1 - s * WIDTH;
        p[1] = g.y1;
        p[2] = g.z1 - t * LENGTH;
        break;
    case SKY_LEFT:
        p[0] = g.x0;
        p[1] = g.y0 + t * HEIGHT;
        p[2] = g.z1 - s * LENGTH;
        break;
    default:
        p[0] = g.x1;
        p[1] = g.y0 + t * HEIGHT;
        p[2] = g.z0 + s * LENGTH;
        break;
    }
}

bool skyRayHit(const float o[3], const float d[3], SkyFace* face, float* s, float* t,
               float* distance) {
    const SkyBoxGeometry g = skyBoxGeometry();
    struct Plane {
        SkyFace face;
        int axis;
        float at;
    };
    const Plane planes[SKY_FACE_COUNT] = {{SKY_BACK, 2, g.z0},   {SKY_FRONT, 2, g.z1},
                                          {SKY_BOTTOM, 1, g.y0}, {SKY_TOP, 1, g.y1},
                                          {SKY_LEFT, 0, g.x0},   {SKY_RIGHT, 0, g.x1}};
    bool found = false;
    for (const Plane& pl : planes) {
        if (std::fabs(d[pl.axis]) < 1e-9f) continue;
        float k = (pl.at - o[pl.axis]) / d[pl.axis];
        if (k <= 0.0f || (found && k >= *distance)) continue;
        float p[3] = {o[0] + k * d[0], o[1] + k * d[1], o[2] + k * d[2]};
        float fs, ft;
        switch (pl.face) {
        case SKY_BACK:
            fs = (p[0] - g.x0) / WIDTH;
            ft = (p[1] - g.y0) / HEIGHT;
            break;
        case SKY_FRONT:
            fs = (g.x1 - p[0]) / WIDTH;
            ft = (p[1] - g.y0) / HEIGHT;
            break;
        case SKY_BOTTOM:
            fs = (g.x1 - p[0]) / WIDTH;
            ft = (p[2] - g.z0) / LENGTH;
            break;
        case SKY_TOP:
            fs = (g.x1 - p[0]) / WIDTH;
            ft = (g.z1 - p[2]) / LENGTH;
            break;
        case SKY_LEFT:
            fs = (g.z1 - p[2]) / LENGTH;
            ft = (p[1] - g.y0) / HEIGHT;
            break;
        default:
            fs = (p[2] - g.z0) / LENGTH;
            ft = (p[1] - g.y0) / HEIGHT;
            break;
        }
        if (fs < 0.0f || fs > 1.0f || ft < 0.0f || ft > 1.0f) continue;
        found = true;
        *face = pl.face;
        *s = fs;
        *t = ft;
        *distance = k;
    }
    return found;
}

RgbImage skyFaceImage(SkyFace face, int width, int height) {
    RgbImage image = makeImage(width, height);
    if (face == SKY_BOTTOM) {
        renderDeck(image);
        return image;
    }
    const SkyBoxGeometry g = skyBoxGeometry();
    const Vec eye = {CX, g.y0 + VIEW_LIFT, CZ};
    parallelRows(height, [&](int j) {
        for (int i = 0; i < width; ++i) {
            float p[3];
            skyFacePoint(face, (i + 0.5f) / width, (j + 0.5f) / height, p);
            putPixel(image, i, j,
                     display(skyAlong(normalise({p[0] - eye.x, p[1] - eye.y, p[2] - eye.z}))));
        }
    });
    return image;
}

// Side faces are 4000 x 1000 units, the top and bottom 4000 x 4000; the
// bottom gets the most texels because it hangs just over the viewer's head.
void skyFaceSize(SkyFace face, int* width, int* height) {
    switch (face) {
    case SKY_BOTTOM:
        *width = 1024;
        *height = 1024;
        break;
    case SKY_TOP:
        *width = 512;
        *height = 512;
        break;
    default:
        *width = 1024;
        *height = 256;
        break;
    }
}
