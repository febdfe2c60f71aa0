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

// Nothing has written a box yet when set-up runs this, so every box ends with
// its minimum above its maximum and can never be hit.
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

bool pointInBox(int index, Vec3 point) {
    if (index < 0 || index >= BOX_COUNT) return false;
    const CollisionBox& b = collisionBoxes[index];
    if (b.maxCorner.x < point.x) return false;
    if (b.minCorner.x > point.x) return false;
    if (b.maxCorner.z < point.z) return false;
    if (b.minCorner.z > point.z) return false;
    return true;
}

int findCollision(int count, Vec3 point) {
    if (count > BOX_COUNT) count = BOX_COUNT;
    for (int i = 0; i < count; ++i)
        if (pointInBox(i, point)) return i;
    return -1;
}
