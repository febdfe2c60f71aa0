// The vector operations the camera needs; everything else works component-wise.
#include "camera/vec3.h"

#include <cmath>

// Component-wise sum.
Vec3 Vec3::operator+(Vec3 right) const { return Vec3(x + right.x, y + right.y, z + right.z); }

// Component-wise difference.
Vec3 Vec3::operator-(Vec3 right) const { return Vec3(x - right.x, y - right.y, z - right.z); }

// Divides every component; a zero divisor gives infinities (or NaN for a zero component).
Vec3 Vec3::operator/(float divisor) const { return Vec3(x / divisor, y / divisor, z / divisor); }

Vec3 crossProduct(Vec3 a, Vec3 b) {
    return Vec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// The squares are summed in double so that large components do not overflow the
// sum before the root brings them back into float range.
float vectorLength(Vec3 v) {
    double x = v.x, y = v.y, z = v.z;
    return static_cast<float>(std::sqrt((x * x + y * y) + z * z));
}

Vec3 unitVector(Vec3 v) { return v / vectorLength(v); }
