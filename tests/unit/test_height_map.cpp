// The height file and the wrapping lookup: layout, wrap in both directions,
// and the short, long, missing and unreadable files.
#include "tests/support/fake_platform.h"
#include "world/height_map.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const int FIELD_BYTES = TERRAIN_EDGE * TERRAIN_EDGE;

class HeightMap : public ::testing::Test {
protected:
    void SetUp() override { fakeReset(); }
    void TearDown() override {
        if (!path.empty()) std::remove(path.c_str());
    }
    // Writes bytes to a file of this test's own and returns its path.
    std::string writeFile(const std::vector<uint8_t>& bytes) {
        path = ::testing::TempDir() + "height_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }
    std::string path;
};

std::vector<uint8_t> randomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(n);
    for (uint8_t& b : bytes) b = uint8_t(rng());
    return bytes;
}

TEST_F(HeightMap, FileBytesLandInRowsOfIncreasingZ) {
    std::vector<uint8_t> file = randomBytes(FIELD_BYTES, 1);
    file[0] = 10;
    file[1] = 20;     // sample (1, 0)
    file[1024] = 30;  // sample (0, 1)
    file[16 + 5 * 1024] = 40;
    file[7] = 50;
    file[1023 + 1023 * 1024] = 255;
    std::vector<uint8_t> field(FIELD_BYTES, 0);
    readHeightFile(writeFile(file).c_str(), FIELD_BYTES, field.data());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(field, file);

    EXPECT_EQ(sampleHeight(field.data(), 1, 0), 20);
    EXPECT_EQ(sampleHeight(field.data(), 0, 1), 30);
    EXPECT_EQ(sampleHeight(field.data(), 1024, 0), 10);
    EXPECT_EQ(sampleHeight(field.data(), 1040, 5), 40);
    EXPECT_EQ(sampleHeight(field.data(), 7, 1024), 50);
    EXPECT_EQ(sampleHeight(field.data(), 1023, 1023), 255);  // unsigned, never -1
    for (int z = 0; z < TERRAIN_EDGE; z += 37)
        for (int x = 0; x < TERRAIN_EDGE; x += 41)
            ASSERT_EQ(sampleHeight(field.data(), x, z), file[x + z * 1024]);
}

TEST_F(HeightMap, NegativeCoordinatesWrapLikePositiveOnes) {
    std::vector<uint8_t> field = randomBytes(FIELD_BYTES, 2);
    EXPECT_EQ(sampleHeight(field.data(), -1, 0), field[1023]);
    EXPECT_EQ(sampleHeight(field.data(), 0, -1), field[1023 * 1024]);
    EXPECT_EQ(sampleHeight(field.data(), -1024, -1025), field[0 + 1023 * 1024]);
    EXPECT_EQ(sampleHeight(field.data(), -1505, 2505), field[543 + 457 * 1024]);
    EXPECT_EQ(sampleHeight(field.data(), INT_MIN, INT_MAX), field[0 + 1023 * 1024]);
    // The whole reach of the walls and beyond: a period of 1024 in both directions.
    for (int z = -3000; z <= 3000; z += 97)
        for (int x = -3000; x <= 3000; x += 89)
            ASSERT_EQ(sampleHeight(field.data(), x, z),
                      sampleHeight(field.data(), x + 2048, z + 1024));
    EXPECT_EQ(sampleHeight(nullptr, -5, 7), 0);
    EXPECT_EQ(sampleHeight(nullptr, 5, 7), 0);
}

// Run against the real field, whose bounds the address sanitizer watches.
TEST_F(HeightMap, NoCoordinateReadsOutsideTheField) {
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1048577, -1025,   -1024,       -1,
                            0,       1023,        1024,     1048576, INT_MAX - 1, INT_MAX};
    for (int x : extremes)
        for (int z : extremes) {
            int h = sampleHeight(heightField, x, z);
            ASSERT_GE(h, 0);
            ASSERT_LE(h, 255);
        }
}

// In int's range a plain truncation; beyond it, a coordinate on the same column.
// The exact value is checked everywhere: x86's cast gives INT_MIN for NaN, the
// infinities and 1e30, whose low ten bits are 0 too, so the column alone
// cannot tell a plain cast from the guarded one.
TEST_F(HeightMap, GridCoordinateIsDefinedForEveryFloat) {
    const struct {
        float world;
        int grid;
    } cases[] = {{2.9f, 2},     {-2.9f, -2},    {-1024.5f, -1024}, {2147483520.0f, 2147483520},
                 {3e9f, 512},   {-3e9f, -512},  {1e30f, 0},        {-2147483648.0f, INT_MIN},
                 {INFINITY, 0}, {-INFINITY, 0}, {NAN, 0}};
    for (const auto& c : cases) {
        const int grid = gridCoordinate(c.world);
        EXPECT_EQ(grid & 1023, c.grid & 1023) << c.world;
        EXPECT_EQ(grid, c.grid) << c.world;
    }
}

TEST_F(HeightMap, MissingFileIsReportedAndLeavesTheBufferAlone) {
    std::vector<uint8_t> field(FIELD_BYTES, 0xAB);
    readHeightFile("no/such/dir/Terrain.raw", FIELD_BYTES, field.data());
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Can't find the height map!");
    EXPECT_EQ(fake.boxes[0].caption, "Error");
    EXPECT_EQ(fake.boxes[0].owner, nullptr);
    EXPECT_EQ(fake.boxes[0].style, uint32_t(BOX_OK));
    EXPECT_EQ(field, std::vector<uint8_t>(FIELD_BYTES, 0xAB));
}

TEST_F(HeightMap, ShortAndEmptyFilesAreSilentAndKeepTheRest) {
    std::vector<uint8_t> field(FIELD_BYTES, 0);
    readHeightFile(writeFile(std::vector<uint8_t>(1000, 0x5A)).c_str(), FIELD_BYTES, field.data());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(field[999], 0x5A);
    EXPECT_EQ(field[1000], 0);
    EXPECT_EQ(sampleHeight(field.data(), 1000, 0), 0);
    EXPECT_EQ(sampleHeight(field.data(), 5, 900), 0);

    std::vector<uint8_t> untouched(FIELD_BYTES, 0x33);
    readHeightFile(writeFile({}).c_str(), FIELD_BYTES, untouched.data());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(untouched, std::vector<uint8_t>(FIELD_BYTES, 0x33));
}

TEST_F(HeightMap, LongFileFillsExactlyTheAskedSize) {
    std::vector<uint8_t> file = randomBytes(FIELD_BYTES + 100, 3);
    std::vector<uint8_t> field(FIELD_BYTES + 100, 0x11);  // the tail is a guard
    readHeightFile(writeFile(file).c_str(), FIELD_BYTES, field.data());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_TRUE(std::equal(field.begin(), field.begin() + FIELD_BYTES, file.begin()));
    EXPECT_EQ(std::vector<uint8_t>(field.begin() + FIELD_BYTES, field.end()),
              std::vector<uint8_t>(100, 0x11));
}

TEST_F(HeightMap, ReadErrorIsReported) {
    // A directory opens for reading on Linux, and every read of it fails.
    std::vector<uint8_t> field(16, 0);
    readHeightFile(::testing::TempDir().c_str(), 16, field.data());
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Can't get data!");
    EXPECT_EQ(fake.boxes[0].caption, "Error");
    EXPECT_EQ(fake.boxes[0].owner, nullptr);
}

TEST_F(HeightMap, NonPositiveSizeReadsNothing) {
    std::vector<uint8_t> field(16, 7);
    readHeightFile(writeFile(std::vector<uint8_t>(64, 1)).c_str(), -5, field.data());
    readHeightFile(path.c_str(), 0, field.data());
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(field, std::vector<uint8_t>(16, 7));
}

}  // namespace
