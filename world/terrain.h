// The ground: one multitextured triangle strip over the height field.
#pragma once

#include "world/height_map.h"

#include <cstdint>

constexpr int GRID_STEP = 16;
// Vertex rows run z = 0..1024; the strip covers 65 columns of cells, so the last
// column reaches x = 1040 (TILE_WIDTH) and takes its heights from the wrap of
// sampleHeight.
constexpr int ROW_LIMIT = TERRAIN_EDGE;
constexpr int COLUMN_LIMIT = TERRAIN_EDGE;
constexpr int TILE_WIDTH = COLUMN_LIMIT + GRID_STEP;
// How often the detail texture repeats across the map at start; Space steps it.
constexpr int DETAIL_REPEAT_START = 16;

// Draws the whole terrain, once per frame with the camera transform loaded;
// nothing for a null map.
void drawTerrain(const uint8_t* map);
// Called before every terrain vertex: sets the same (x / 1024, -z / 1024) on
// texture units 0 and 1.
void terrainTexCoord(float x, float z);
