// The height samples and their wrapping lookup.
#include "world/height_map.h"

#include "app/platform.h"

#include <cmath>
#include <cstdio>

uint8_t heightField[TERRAIN_EDGE * TERRAIN_EDGE];

const char* const HEIGHT_FILE = "texture3/Terrain.raw";

void readHeightFile(const char* path, int size, uint8_t* buffer) {
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        platMessageBox(nullptr, "Can't find the height map!", "Error", BOX_OK);
        return;
    }
    // A negative size would turn into an enormous size_t count. A short file
    // leaves the rest of the field as it was; only a read error is reported.
    if (size > 0) {
        const size_t got = std::fread(buffer, 1, static_cast<size_t>(size), file);
        (void)got;
    }
    if (std::ferror(file)) platMessageBox(nullptr, "Can't get data!", "Error", BOX_OK);
    std::fclose(file);
}

// Taking the low ten bits of the unsigned value wraps negative coordinates the
// same way as positive ones (-1 is column 1023), so the ground repeats in every
// direction and no index leaves the field.
int sampleHeight(const uint8_t* map, int x, int z) {
    if (!map) return 0;
    unsigned column = static_cast<unsigned>(x) & (TERRAIN_EDGE - 1);
    unsigned row = static_cast<unsigned>(z) & (TERRAIN_EDGE - 1);
    return map[column + row * TERRAIN_EDGE];
}

// A cast outside int's range is undefined, and the camera can hold any float
// once it has driven far enough or a NaN has crept in. Past 2^31 every float
// is a whole multiple of 256, so the remainder by the edge is exact and keeps
// the low ten bits that sampleHeight looks at.
int gridCoordinate(float world) {
    if (world >= -2147483648.0f && world < 2147483648.0f) return static_cast<int>(world);
    if (!std::isfinite(world)) return 0;
    return static_cast<int>(std::fmod(world, static_cast<float>(TERRAIN_EDGE)));
}

int sampleHeightUnder(const uint8_t* map, float x, float z) {
    return sampleHeight(map, gridCoordinate(x), gridCoordinate(z));
}
