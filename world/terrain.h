// The ground: one multitextured triangle strip over the height field.
#pragma once

#include <cstdint>

constexpr int GRID_STEP = 16;

// Draws the whole terrain, once per frame with the camera transform loaded;
// nothing for a null map.
void drawTerrain(const uint8_t* map);
// Called before every terrain vertex: sets the same (x / 1024, -z / 1024) on
// texture units 0 and 1.
void terrainTexCoord(float x, float z);
