// The collision table: wall slabs in 0 to 3, every other slot unreachable.
#include "world/collision_boxes.h"

CollisionBox collisionBoxes[BOX_COUNT];

namespace {

// Nearest float to 999999.9: far outside anything the scene reaches.
constexpr float UNREACHABLE = 999999.875f;

// Pushes a zero minimum far up and a zero maximum far down; -0.0 compares equal too.
void disableZero(float& value, float replacement) {
    if (value == 0.0f) value = replacement;
}

}  // namespace

// Runs once at the end of set-up, before anything has written a box, so every
// box ends with its minimum above its maximum and can never be hit.
void disableEmptyBoxes() {
    for (CollisionBox& box : collisionBoxes) {
        disableZero(box.maxCorner.x, -UNREACHABLE);
        disableZero(box.maxCorner.y, -UNREACHABLE);
        disableZero(box.maxCorner.z, -UNREACHABLE);
        disableZero(box.minCorner.x, UNREACHABLE);
        disableZero(box.minCorner.y, UNREACHABLE);
        disableZero(box.minCorner.z, UNREACHABLE);
    }
}

// True when the point lies in the box's x/z footprint, faces included; height is
// ignored, a box is a column. An index outside the table holds no point.
bool pointInBox(int index, Vec3 point) {
    if (index < 0 || index >= BOX_COUNT) return false;
    const CollisionBox& b = collisionBoxes[index];
    if (b.maxCorner.x < point.x) return false;
    if (b.minCorner.x > point.x) return false;
    if (b.maxCorner.z < point.z) return false;
    if (b.minCorner.z > point.z) return false;
    return true;
}

// The lowest index among the first count boxes that holds the point, or -1. A count
// beyond the table is cut to the table's size.
int findCollision(int count, Vec3 point) {
    if (count > BOX_COUNT) count = BOX_COUNT;
    for (int i = 0; i < count; ++i)
        if (pointInBox(i, point)) return i;
    return -1;
}
