// The six-sided sky box and the four wall slabs along its upright faces.
#pragma once

constexpr float WALL_MARGIN = 5.1f;

// Draws the box with the current transform and rewrites collision boxes 0-3
// from the arguments alone.
void drawSkyBoxAndWalls(float cx, float cy, float cz, float width, float height, float length);
// Draws the scene's box turned by degrees about its pivot (the current matrix
// is kept) and rewrites the scene's wall slabs.
void drawTurnedSkyBox(float degrees);
