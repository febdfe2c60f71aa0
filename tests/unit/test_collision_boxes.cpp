// The collision table: inclusive x/z bounds, the lowest index first, and the
// start-up pass that makes untouched boxes unreachable.
#include "world/collision_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

class CollisionTable : public ::testing::Test {
protected:
    void SetUp() override {
        std::copy(collisionBoxes, collisionBoxes + BOX_COUNT, saved);
        for (CollisionBox& b : collisionBoxes) b = {Vec3(0, 0, 0), Vec3(0, 0, 0)};
    }
    void TearDown() override { std::copy(saved, saved + BOX_COUNT, collisionBoxes); }
    static void setBox(int i, float minX, float minZ, float maxX, float maxZ) {
        collisionBoxes[i].minCorner = Vec3(minX, 0, minZ);
        collisionBoxes[i].maxCorner = Vec3(maxX, 10, maxZ);
    }
    CollisionBox saved[BOX_COUNT];
};

TEST_F(CollisionTable, BoundsAreInclusiveAndHeightIsIgnored) {
    disableEmptyBoxes();
    setBox(0, -10, 20, 30, 40);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(-10, 0, 30)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(30, 0, 30)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 0, 20)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 0, 40)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 1e9f, 30)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, -1e9f, 30)), 0);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(std::nextafter(-10.0f, -11.0f), 0, 30)), -1);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(std::nextafter(30.0f, 31.0f), 0, 30)), -1);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 0, std::nextafter(20.0f, 19.0f))), -1);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 0, std::nextafter(40.0f, 41.0f))), -1);
    EXPECT_TRUE(pointInBox(0, Vec3(30, 5, 40)));
    EXPECT_FALSE(pointInBox(1, Vec3(30, 5, 40)));
}

TEST_F(CollisionTable, LowestIndexWinsAndCountLimitsTheScan) {
    disableEmptyBoxes();
    setBox(7, 0, 0, 10, 10);
    setBox(3, 5, 5, 20, 20);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(6, 0, 6)), 3);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(1, 0, 1)), 7);
    EXPECT_EQ(findCollision(7, Vec3(1, 0, 1)), -1);
    EXPECT_EQ(findCollision(8, Vec3(1, 0, 1)), 7);
    EXPECT_EQ(findCollision(0, Vec3(6, 0, 6)), -1);
    EXPECT_EQ(findCollision(-1, Vec3(6, 0, 6)), -1);
    EXPECT_EQ(findCollision(-2147483647 - 1, Vec3(6, 0, 6)), -1);
}

// A count past the table is cut to it, and an index outside it holds nothing;
// the sanitizer build would flag any read beyond the 40 slots.
TEST_F(CollisionTable, OutOfRangeCountAndIndexStayInTheTable) {
    disableEmptyBoxes();
    setBox(BOX_COUNT - 1, 0, 0, 1, 1);
    EXPECT_EQ(findCollision(1000, Vec3(0.5f, 0, 0.5f)), BOX_COUNT - 1);
    EXPECT_EQ(findCollision(1000, Vec3(50, 0, 50)), -1);
    EXPECT_FALSE(pointInBox(BOX_COUNT, Vec3(0.5f, 0, 0.5f)));
    EXPECT_FALSE(pointInBox(-1, Vec3(0.5f, 0, 0.5f)));
}

TEST_F(CollisionTable, UntouchedBoxesBecomeUnreachable) {
    disableEmptyBoxes();
    for (const CollisionBox& b : collisionBoxes) {
        EXPECT_EQ(b.minCorner.x, 999999.875f);
        EXPECT_EQ(b.minCorner.y, 999999.875f);
        EXPECT_EQ(b.minCorner.z, 999999.875f);
        EXPECT_EQ(b.maxCorner.x, -999999.875f);
        EXPECT_EQ(b.maxCorner.y, -999999.875f);
        EXPECT_EQ(b.maxCorner.z, -999999.875f);
    }
    const float far = 999999.875f;
    const Vec3 points[] = {Vec3(0, 0, 0),      Vec3(far, 0, far),      Vec3(-far, 0, -far),
                           Vec3(far, 0, -far), Vec3(3e38f, 0, -3e38f), Vec3(-1505, 35, 2505)};
    for (Vec3 p : points) EXPECT_EQ(findCollision(BOX_COUNT, p), -1);
}

TEST_F(CollisionTable, PassJudgesEachValueOnItsOwn) {
    collisionBoxes[2].minCorner = Vec3(0, -0.0f, 5);
    collisionBoxes[2].maxCorner = Vec3(100, 0, 50);
    disableEmptyBoxes();
    EXPECT_EQ(collisionBoxes[2].minCorner.x, 999999.875f);
    EXPECT_EQ(collisionBoxes[2].minCorner.y, 999999.875f);  // -0.0 counts as zero
    EXPECT_EQ(collisionBoxes[2].minCorner.z, 5.0f);
    EXPECT_EQ(collisionBoxes[2].maxCorner.x, 100.0f);
    EXPECT_EQ(collisionBoxes[2].maxCorner.y, -999999.875f);
    EXPECT_EQ(collisionBoxes[2].maxCorner.z, 50.0f);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(50, 0, 10)), -1);

    // Written after the pass, a zero is a real coordinate.
    setBox(2, 0, 0, 100, 50);
    EXPECT_EQ(findCollision(BOX_COUNT, Vec3(0, 0, 0)), 2);
}

}  // namespace
