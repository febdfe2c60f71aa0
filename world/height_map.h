// The 1024 x 1024 height samples the terrain, kart and camera stand on.
#pragma once

#include <cstdint>

constexpr int TERRAIN_EDGE = 1024;

extern uint8_t heightField[TERRAIN_EDGE * TERRAIN_EDGE];

extern const char* const HEIGHT_FILE;  // "texture3/Terrain.raw"

// Reads size raw bytes from path into buffer; reports a missing file or a read
// error in a box. A short file is not an error: the rest of the buffer keeps
// what it held (zero for the field).
void readHeightFile(const char* path, int size, uint8_t* buffer);
// The sample at grid (x, z), wrapping both coordinates; 0 for a null map.
int sampleHeight(const uint8_t* map, int x, int z);
// The grid coordinate for a world coordinate, truncated toward zero; defined
// for every float: one beyond int's range gives a coordinate that wraps to the
// same sample as its exact truncation, and NaN or an infinity gives 0.
int gridCoordinate(float world);
// The sample under world point (x, z): sampleHeight at both grid coordinates.
int sampleHeightUnder(const uint8_t* map, float x, float z);
