// The kart, drawn from its four corners: textured top and back, plain bottom.
#pragma once

#include "camera/vec3.h"

void drawKartBody(Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3);
