// The table of boxes that forward and backward moves may not enter (x/z only).
#pragma once

#include "camera/vec3.h"

struct CollisionBox {
    Vec3 maxCorner;
    Vec3 minCorner;
};

constexpr int BOX_COUNT = 40;

extern CollisionBox collisionBoxes[BOX_COUNT];

// Called once at the end of set-up: makes every value still zero unreachable
// (+999999.875 for minima, - for maxima).
void disableEmptyBoxes();
// True when the point lies in box index's x/z footprint, faces included; height
// is ignored, a box is a column. An index outside the table holds no point.
bool pointInBox(int index, Vec3 point);
// The lowest index among the first count boxes that holds the point, or -1. A
// count beyond the table is cut to the table's size.
int findCollision(int count, Vec3 point);
