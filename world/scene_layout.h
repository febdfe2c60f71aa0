// The scene's fixed numbers: where the viewer starts and where the sky box
// stands. The program, the asset generator and the frame benchmark read them
// here, so the ground the generator shapes and the sky it paints stay where
// the program puts the viewer and draws the box.
#pragma once

// The eye and the point it looks at when the program starts; up is +y.
constexpr float START_EYE[3] = {490.0f, 35.0f, 275.0f};
constexpr float START_LOOK_AT[3] = {491.0f, 34.5f, 275.0f};
// The kart's corners (x, z) at the start, in outline order, 10 to 15 units
// ahead of the eye; their heights come from the ground under them.
constexpr float START_KART_CORNERS[4][2] = {
    {500.0f, 272.5f}, {500.0f, 277.5f}, {505.0f, 277.5f}, {505.0f, 272.5f}};

// The sky box turns about the upright line through (SKY_PIVOT_X, SKY_PIVOT_Z).
// In that turned frame it is centred on SKY_CENTRE, SKY_SIZE wide (x), high
// (y) and long (z). The wall slabs take the same two as world coordinates,
// neither moved to the pivot nor turned.
constexpr float SKY_PIVOT_X = 500.0f;
constexpr float SKY_PIVOT_Z = 500.0f;
constexpr float SKY_CENTRE[3] = {500.0f, 578.5f, 500.0f};
constexpr float SKY_SIZE[3] = {4000.0f, 1000.0f, 4000.0f};
