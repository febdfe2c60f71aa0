// One frame: camera, terrain, turning sky, kart on the ground, swap.
#pragma once

extern float skyAngle;  // degrees; +0.1 a frame, back to 0 past 360

constexpr float SKY_SPIN_STEP = 0.1f;
constexpr int KART_RIDE_HEIGHT = 2;
constexpr int EYE_CLEARANCE = 10;

void composeFrame();
