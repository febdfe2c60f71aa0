// The asset generator's pieces: noise, the terrain, the sky, the kart art and
// the BMP encoders. Everything here is a pure function of its arguments, so the
// same build writes the same bytes on every run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---- Pictures ---------------------------------------------------------------

// A linear-light colour, components nominally 0..1.
struct Colour {
    float r, g, b;
};

// An RGB picture, rows bottom row first (the BMP order and GL's t = 0 first),
// three bytes a pixel in the order R, G, B, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

// Makes a zero-filled picture of the given size.
RgbImage makeImage(int width, int height);

// Stores one pixel from a display-ready colour (already gamma encoded, 0..1).
void putPixel(RgbImage& image, int x, int y, Colour c);

// Encodes a linear-light value 0..1 for display (sRGB curve), 0..255.
uint8_t encodeLinear(float v);

// Decodes an sRGB byte-style colour given as 0..255 components into linear light.
Colour srgbColour(int r, int g, int b);

Colour mix(Colour a, Colour b, float t);
Colour scale(Colour a, float k);
Colour add(Colour a, Colour b);
Colour multiply(Colour a, Colour b);

// Runs body(row) for every row 0..rows-1, spread over the machine's cores.
// Rows must not depend on one another; the result is the same however the
// rows are spread.
void parallelRows(int rows, const std::function<void(int)>& body);

float clamp01(float v);
float smoothStep(float edge0, float edge1, float v);
float lerp(float a, float b, float t);

// ---- Noise --------------------------------------------------------------------

// A 32-bit integer hash; the only source of randomness in the generator.
uint32_t hashBits(uint32_t a, uint32_t b, uint32_t seed);

// Gradient noise on a unit lattice, roughly -1..1, repeating every `period`
// lattice cells in both directions (period a power of two).
float gradientNoise(float x, float y, int period, uint32_t seed);

// Sum of `octaves` layers of gradientNoise, each at twice the frequency and
// `gain` times the amplitude of the one before, normalised to about -1..1.
// The period of the first layer doubles with each layer, so the sum repeats
// every `period` cells of the first layer.
float fractalNoise(float x, float y, int period, int octaves, float gain, uint32_t seed);

// As fractalNoise, from folded layers (1 - |n|)^2 that make sharp crests, 0..1.
float ridgedNoise(float x, float y, int period, int octaves, float gain, uint32_t seed);

// ---- Terrain ------------------------------------------------------------------

constexpr int MAP_EDGE = 1024;

// The terrain before it is stored as bytes: heights in world units at every
// sample, index x + z * MAP_EDGE, plus the level of the lake surface.
struct HeightModel {
    std::vector<float> height;  // after the lake is filled (what the ground is)
    std::vector<float> bed;     // before: below `waterLevel` this is the lake bed
    float waterLevel = 0.0f;
};

// Builds the height model: a tiling 1024 x 1024 map with a low basin round the
// start, a lake, rolling hills and a ring of mountains along the tile's edges.
HeightModel buildHeightModel();

// The raw height file: 1,048,576 bytes, x fastest, rows by increasing z.
std::vector<uint8_t> heightBytes(const HeightModel& model);

// The base colour map over the whole tile with light, shadows and hollows
// baked in. Picture column c is world x = c, picture row r (bottom first) is
// world z = 1024 - r (mod 1024); see the comment in the source.
RgbImage terrainColourMap(const HeightModel& model);

// The repeating detail picture: fine grain about mid-grey, one byte a pixel.
constexpr int DETAIL_EDGE = 512;
std::vector<uint8_t> detailGrain(int edge);

// ---- Sky ------------------------------------------------------------------------

enum SkyFace { SKY_BACK, SKY_FRONT, SKY_BOTTOM, SKY_TOP, SKY_LEFT, SKY_RIGHT, SKY_FACE_COUNT };

// The sky box's extents in the scene, its corner planes and centre.
struct SkyBoxGeometry {
    float x0, x1, y0, y1, z0, z1;
};
SkyBoxGeometry skyBoxGeometry();

// The box point (in the box's own, unturned frame) that texture coordinate
// (s, t) of `face` is drawn at.
void skyFacePoint(SkyFace face, float s, float t, float point[3]);

// The inverse: the face and texture coordinates of the nearest face a ray from
// `origin` along `dir` (box frame) hits; false when it misses. `distance` gets the ray
// parameter of the hit.
bool skyRayHit(const float origin[3], const float dir[3], SkyFace* face, float* s, float* t,
               float* distance);

// Renders one face picture of the given size: texel (column i, stored row j) is
// drawn at s = (i + 0.5) / width, t = (j + 0.5) / height (GL's t = 0 is the
// first row).
RgbImage skyFaceImage(SkyFace face, int width, int height);

// The picture size written for each face: the side faces are four times as
// wide as they are tall, like the faces themselves.
void skyFaceSize(SkyFace face, int* width, int* height);

// ---- Kart -------------------------------------------------------------------------

// The kart's top seen from above, front toward the picture's top.
constexpr int KART_TOP_EDGE = 256;
RgbImage kartTopImage(int edge);

// The kart's rear panel as seen from behind, 5 units wide and 1 tall.
constexpr int KART_BACK_WIDTH = 256;
constexpr int KART_BACK_HEIGHT = 64;
RgbImage kartBackImage(int width, int height);

// ---- BMP files ----------------------------------------------------------------------

// Each returns a complete file, "BM" file header first.
std::vector<uint8_t> bmp24(const RgbImage& image);
std::vector<uint8_t> bmp32(const RgbImage& image);
std::vector<uint8_t> bmpCore24(const RgbImage& image);  // 12-byte header
std::vector<uint8_t> bmpGrey8(const std::vector<uint8_t>& grey, int width, int height);
std::vector<uint8_t> bmpRle8(const RgbImage& image);  // quantised to 256 colours
std::vector<uint8_t> bmpRle4(const RgbImage& image);  // quantised to 16 colours

// ---- Preview --------------------------------------------------------------------------

// A rough software picture of the scene from a camera (for judging the art
// without the program), written as a binary PPM. Returns false on I/O failure.
struct PreviewCamera {
    float eye[3];
    float yawDegrees;    // 0 looks toward +x, 90 toward +z
    float pitchDegrees;  // negative looks down
    float skyAngle;      // the sky box's turn in degrees
};
bool writePreview(const std::string& path, const PreviewCamera& camera, int width, int height);
