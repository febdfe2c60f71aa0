// What the camera sees: the perspective the program projects with. The window
// sets it up, and the asset generator's preview casts its rays through the
// same volume, so a preview frames the scene as the program does.
#pragma once

// Vertical field of view in degrees, and the near and far clipping planes in
// world units; the far plane reaches the sky box's walls from anywhere inside.
constexpr double FIELD_OF_VIEW = 45.0;
constexpr double NEAR_PLANE = 4.0;
constexpr double FAR_PLANE = 4000.0;
