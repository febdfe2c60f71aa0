// The one vector type: points and directions in world space.
#pragma once

class Vec3 {
public:
    float x;
    float y;
    float z;

    // Leaves the components unset, as a plain value type does.
    Vec3() {}
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    Vec3 operator+(Vec3 right) const;
    Vec3 operator-(Vec3 right) const;  // this minus right
    Vec3 operator/(float divisor) const;
};

// The right-handed cross product a x b.
Vec3 crossProduct(Vec3 a, Vec3 b);
// The Euclidean length; the square root is taken in double precision.
float vectorLength(Vec3 v);
// v divided by its length; the zero vector gives not-a-number components (no
// caller passes one).
Vec3 unitVector(Vec3 v);
