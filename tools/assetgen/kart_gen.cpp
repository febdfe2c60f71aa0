// The kart's two pictures, drawn from shapes in kart units and smoothed by
// supersampling.
//
// The top quad puts s along the rear edge from the viewer's left to right and
// t from the rear edge forward, and the rear panel puts s left to right and t
// bottom to top as the driver behind sees it; with bottom-first rows both
// pictures are therefore drawn the way they are seen: front (or top) up.
#include "tools/assetgen/assetgen.h"

#include <algorithm>
#include <cmath>

namespace {

struct P {
    float x, y;
};

float length(float x, float y) { return std::sqrt(x * x + y * y); }

// Signed distances, negative inside.
float roundedBox(P p, float x0, float y0, float x1, float y1, float r) {
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float qx = std::fabs(p.x - cx) - ((x1 - x0) * 0.5f - r);
    float qy = std::fabs(p.y - cy) - ((y1 - y0) * 0.5f - r);
    return length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - r;
}

float circle(P p, float cx, float cy, float r) { return length(p.x - cx, p.y - cy) - r; }

float ellipse(P p, float cx, float cy, float rx, float ry) {
    // Scaled circle: exact enough for the small ellipses drawn here.
    float k = std::min(rx, ry);
    return (length((p.x - cx) / rx, (p.y - cy) / ry) - 1.0f) * k;
}

float capsule(P p, float ax, float ay, float bx, float by, float r) {
    float px = p.x - ax, py = p.y - ay, dx = bx - ax, dy = by - ay;
    float h = clamp01((px * dx + py * dy) / (dx * dx + dy * dy));
    return length(px - dx * h, py - dy * h) - r;
}

// The racing number, a "7" in the box (x0, y0)-(x1, y1).
float seven(P p, float x0, float y0, float x1, float y1, float stroke) {
    auto X = [&](float u) { return x0 + (x1 - x0) * u; };
    auto Y = [&](float v) { return y0 + (y1 - y0) * v; };
    return std::min(capsule(p, X(0.12f), Y(0.88f), X(0.88f), Y(0.88f), stroke),
                    capsule(p, X(0.88f), Y(0.88f), X(0.38f), Y(0.1f), stroke));
}

// Brighter toward a shape's middle: d is the shape's distance (negative inside).
float bulge(float d, float depth) { return 0.62f + 0.38f * smoothStep(0.0f, depth, -d); }

Colour red() { return srgbColour(206, 32, 30); }
Colour white() { return srgbColour(242, 242, 236); }
Colour rubber() { return srgbColour(30, 30, 32); }
Colour steel() { return srgbColour(176, 180, 186); }
Colour blue() { return srgbColour(34, 74, 168); }

// A tyre from above: tread grooves across, darker toward its ends.
Colour tyreTop(P p, float x0, float y0, float x1, float y1) {
    float cy = (y0 + y1) * 0.5f, half = (y1 - y0) * 0.5f;
    float roll = std::cos(1.3f * (p.y - cy) / half);
    float groove = std::fabs(std::fmod(p.y * 7.0f + 100.0f, 1.0f) - 0.5f) < 0.14f ? 0.55f : 1.0f;
    float rim = std::min(p.x - x0, x1 - p.x) < 0.08f ? 0.7f : 1.0f;
    return scale(rubber(), (0.45f + 0.9f * roll) * groove * rim);
}

// The kart from above at (X, Y) in kart units: X 0..5 left to right, Y 0..5
// rear to front.
Colour kartTopAt(P p) {
    // The chassis tray fills the square, with a faint pattern of plates.
    float plate =
        (std::fmod(std::floor(p.x * 2.0f) + std::floor(p.y * 2.0f), 2.0f) == 0.0f) ? 1.0f : 0.9f;
    Colour c = scale(srgbColour(54, 56, 60), plate);

    // Frame rail round the tray.
    float rail = std::fabs(roundedBox(p, 1.05f, 0.35f, 3.95f, 4.7f, 0.5f)) - 0.07f;
    if (rail < 0.0f) c = scale(steel(), 0.8f + 0.2f * smoothStep(0.0f, 0.05f, -rail));

    // Axles and the rear bumper.
    float axles = std::min({capsule(p, 0.6f, 0.85f, 4.4f, 0.85f, 0.08f),
                            capsule(p, 0.6f, 4.15f, 1.6f, 4.15f, 0.06f),
                            capsule(p, 3.4f, 4.15f, 4.4f, 4.15f, 0.06f)});
    if (axles < 0.0f) c = steel();
    float bumper = std::min({capsule(p, 0.9f, 0.12f, 4.1f, 0.12f, 0.08f),
                             capsule(p, 1.4f, 0.12f, 1.5f, 0.5f, 0.05f),
                             capsule(p, 3.6f, 0.12f, 3.5f, 0.5f, 0.05f)});
    if (bumper < 0.0f) c = scale(steel(), bulge(bumper, 0.06f) + 0.15f);

    // Side pods with a white stripe and the front nose.
    for (int side = 0; side < 2; ++side) {
        float x0 = side == 0 ? 0.25f : 3.8f, x1 = x0 + 0.95f;
        float pod = roundedBox(p, x0, 1.75f, x1, 3.35f, 0.22f);
        if (pod < 0.0f) {
            c = scale(red(), bulge(pod, 0.25f));
            if (std::fabs(p.x - (x0 + x1) * 0.5f) < 0.08f) c = scale(white(), bulge(pod, 0.25f));
        }
    }
    float nose = roundedBox(p, 1.05f, 4.45f, 3.95f, 4.98f, 0.24f);
    if (nose < 0.0f) {
        c = scale(red(), bulge(nose, 0.2f));
        if (std::fabs(std::fabs(p.x - 2.5f) - 0.28f) < 0.08f) c = scale(white(), bulge(nose, 0.2f));
    }

    // Engine right of the seat: finned block, plug cap, exhaust to the rear.
    float engine = roundedBox(p, 3.3f, 1.0f, 4.0f, 1.85f, 0.08f);
    if (engine < 0.0f) {
        float fin = std::fabs(std::fmod(p.y * 9.0f, 1.0f) - 0.5f) < 0.22f ? 0.72f : 1.0f;
        c = scale(srgbColour(150, 150, 148), fin * bulge(engine, 0.15f));
    }
    if (circle(p, 3.65f, 1.45f, 0.11f) < 0.0f) c = srgbColour(220, 60, 30);
    float exhaust = capsule(p, 3.75f, 0.95f, 3.75f, 0.4f, 0.1f);
    if (exhaust < 0.0f) c = scale(steel(), bulge(exhaust, 0.08f));

    // Driver's legs, reaching under the front panel.
    float legs = std::min(capsule(p, 2.18f, 2.4f, 2.12f, 3.7f, 0.17f),
                          capsule(p, 2.82f, 2.4f, 2.88f, 3.7f, 0.17f));
    if (legs < 0.0f) c = scale(blue(), bulge(legs, 0.12f));

    // Front panel with the number disc.
    float panel = roundedBox(p, 1.85f, 3.4f, 3.15f, 4.35f, 0.3f);
    if (panel < 0.0f) {
        c = scale(red(), bulge(panel, 0.25f));
        if (circle(p, 2.5f, 3.88f, 0.34f) < 0.0f) c = white();
        if (seven(p, 2.32f, 3.66f, 2.68f, 4.1f, 0.055f) < 0.0f) c = srgbColour(20, 20, 22);
    }

    // Seat, then the driver on it.
    float seat = roundedBox(p, 1.8f, 1.0f, 3.2f, 2.4f, 0.35f);
    if (seat < 0.0f) c = scale(srgbColour(40, 40, 44), bulge(seat, 0.2f));
    float torso = ellipse(p, 2.5f, 2.05f, 0.64f, 0.38f);
    if (torso < 0.0f) {
        c = scale(blue(), bulge(torso, 0.2f));
        if (std::fabs(std::fabs(p.x - 2.5f) - 0.42f) < 0.05f)
            c = scale(white(), bulge(torso, 0.2f));
    }
    float arms = std::min(capsule(p, 1.98f, 2.15f, 2.1f, 2.95f, 0.12f),
                          capsule(p, 3.02f, 2.15f, 2.9f, 2.95f, 0.12f));
    if (arms < 0.0f) c = scale(blue(), bulge(arms, 0.1f));
    float wheel = std::fabs(ellipse(p, 2.5f, 3.05f, 0.44f, 0.15f)) - 0.045f;
    if (wheel < 0.0f) c = srgbColour(24, 24, 26);
    if (std::min(circle(p, 2.1f, 3.0f, 0.11f), circle(p, 2.9f, 3.0f, 0.11f)) < 0.0f)
        c = srgbColour(20, 20, 20);

    // Helmet: a lit sphere with a red stripe and the visor at the front.
    float hx = p.x - 2.5f, hy = p.y - 1.97f, hr = 0.5f;
    if (hx * hx + hy * hy < hr * hr) {
        float nz = std::sqrt(std::max(0.0f, 1.0f - (hx * hx + hy * hy) / (hr * hr)));
        float nx = hx / hr, ny = hy / hr;
        float light = clamp01(-0.35f * nx + 0.35f * ny + 0.87f * nz);
        Colour shell = srgbColour(250, 204, 34);
        if (std::fabs(hx) < 0.08f) shell = red();
        if (hy > 0.3f) shell = srgbColour(24, 30, 46);
        float shine = std::pow(clamp01(light), 24.0f) * 0.5f;
        c = add(scale(shell, 0.35f + 0.75f * light), Colour{shine, shine, shine});
    }

    // Tyres last: wide at the rear, narrower at the front.
    if (roundedBox(p, 0.04f, 0.18f, 1.04f, 1.52f, 0.14f) < 0.0f)
        c = tyreTop(p, 0.04f, 0.18f, 1.04f, 1.52f);
    if (roundedBox(p, 3.96f, 0.18f, 4.96f, 1.52f, 0.14f) < 0.0f)
        c = tyreTop(p, 3.96f, 0.18f, 4.96f, 1.52f);
    if (roundedBox(p, 0.18f, 3.55f, 0.98f, 4.75f, 0.12f) < 0.0f)
        c = tyreTop(p, 0.18f, 3.55f, 0.98f, 4.75f);
    if (roundedBox(p, 4.02f, 3.55f, 4.82f, 4.75f, 0.12f) < 0.0f)
        c = tyreTop(p, 4.02f, 3.55f, 4.82f, 4.75f);
    return c;
}

// The rear panel at (X, Z): X 0..5 left to right as seen from behind, Z 0..1
// bottom to top.
Colour kartBackAt(P p) {
    Colour c = scale(red(), 0.55f + 0.4f * p.y);
    if (p.y > 0.93f) c = scale(red(), 1.15f);

    // Engine grille with slats.
    float grille = roundedBox(p, 1.7f, 0.42f, 3.3f, 0.88f, 0.06f);
    if (grille < 0.0f) {
        bool slat = std::fabs(std::fmod(p.y * 22.0f, 1.0f) - 0.5f) < 0.2f;
        c = slat ? srgbColour(120, 122, 126) : srgbColour(22, 22, 24);
        if (grille > -0.04f) c = steel();
    }

    // Tail lights with a bright core.
    for (float cx : {1.35f, 3.65f}) {
        float lamp = roundedBox(p, cx - 0.24f, 0.5f, cx + 0.24f, 0.8f, 0.06f);
        if (lamp < 0.0f) {
            c = srgbColour(150, 10, 12);
            if (lamp < -0.05f)
                c = mix(srgbColour(255, 40, 30), srgbColour(255, 190, 150),
                        smoothStep(-0.05f, -0.12f, lamp));
        }
    }

    // Bumper across, the number plate over it, the exhaust on the right.
    float bumper = capsule(p, 1.0f, 0.2f, 4.0f, 0.2f, 0.07f);
    if (bumper < 0.0f) c = scale(steel(), bulge(bumper, 0.05f) + 0.2f);
    float plate = roundedBox(p, 2.12f, 0.05f, 2.88f, 0.37f, 0.04f);
    if (plate < 0.0f) {
        c = white();
        if (seven(p, 2.38f, 0.09f, 2.62f, 0.33f, 0.035f) < 0.0f) c = srgbColour(20, 20, 22);
    }
    float pipe = circle(p, 3.55f, 0.36f, 0.09f);
    if (pipe < 0.0f) c = pipe < -0.04f ? srgbColour(16, 16, 16) : steel();

    // Rear tyres, seen from behind: tread blocks across.
    for (float x0 : {0.05f, 3.95f}) {
        float tyre = roundedBox(p, x0, -0.2f, x0 + 1.0f, 0.8f, 0.2f);
        if (tyre < 0.0f) {
            float across = (p.x - x0) / 1.0f;
            float roll = std::sin(3.14159f * across);
            float block = std::fabs(std::fmod(p.y * 10.0f, 1.0f) - 0.5f) < 0.15f ? 0.6f : 1.0f;
            c = scale(rubber(), (0.5f + 0.8f * roll) * block);
        }
    }
    return c;
}

// Renders `shape` over a width x height picture covering kart units
// (0, 0)-(spanX, spanY), averaging 4 x 4 samples a pixel in linear light.
template <typename Shape>
RgbImage render(int width, int height, float spanX, float spanY, Shape shape) {
    RgbImage image = makeImage(width, height);
    parallelRows(height, [&](int y) {
        for (int x = 0; x < width; ++x) {
            Colour sum = {0, 0, 0};
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    sum = add(sum, shape(P{(x + (sx + 0.5f) / 4.0f) * spanX / width,
                                           (y + (sy + 0.5f) / 4.0f) * spanY / height}));
            sum = scale(sum, 1.0f / 16.0f);
            putPixel(image, x, y,
                     {encodeLinear(sum.r) / 255.0f, encodeLinear(sum.g) / 255.0f,
                      encodeLinear(sum.b) / 255.0f});
        }
    });
    return image;
}

}  // namespace

RgbImage kartTopImage(int edge) { return render(edge, edge, 5.0f, 5.0f, kartTopAt); }

RgbImage kartBackImage(int width, int height) {
    return render(width, height, 5.0f, 1.0f, kartBackAt);
}
