// The asset generator, run as a user runs it: the files it writes, what they
// hold, and how it treats files that are already there.
#include "assets/bmp_decode.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const ASSET_NAMES[] = {"Terrain.raw", "Terrain.bmp", "Detail.bmp", "Back.bmp",
                                   "Front.bmp",   "Bottom.bmp",  "Top.bmp",    "Left.bmp",
                                   "Right.bmp",   "NSXtop.bmp",  "NSXback.bmp"};
constexpr int EDGE = 1024;

using Bytes = std::vector<uint8_t>;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct GeneratorRun {
    int exitCode = -1;
    std::string out, err;
};

// Runs the generator with `args` and collects its exit code and output.
GeneratorRun runGenerator(const fs::path& scratch, const std::string& args) {
    const std::string binary = MERROWIND_BINARY_DIR "/merrowind-assets";
    GeneratorRun run;
    if (!fs::exists(binary)) {
        ADD_FAILURE() << binary << " is missing: build the merrowind-assets target";
        return run;
    }
    const fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
    const std::string command =
        "'" + binary + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const Bytes o = readFile(out), e = readFile(err);
    run.out.assign(o.begin(), o.end());
    run.err.assign(e.begin(), e.end());
    return run;
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

struct Picture {
    int width = 0, height = 0;
    Bytes rgb;  // bottom row first
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Decodes a file with the program's own loader; width 0 when it refuses it.
Picture decodeFile(const fs::path& path) {
    const Bytes file = readFile(path);
    const char* failure = nullptr;
    ImageRecord* record = decodeBmp(file.data(), file.size(), &failure);
    Picture p;
    if (!record) {
        ADD_FAILURE() << path << ": " << (failure ? failure : "refused");
        return p;
    }
    p.width = record->sizeX;
    p.height = record->sizeY;
    p.rgb.assign(record->data, record->data + static_cast<size_t>(p.width) * p.height * 3);
    std::free(record->data);
    std::free(record);
    return p;
}

uint32_t le32(const Bytes& b, size_t at) {
    return b[at] | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// One generator run shared by the tests that only read its files.
class GeneratedAssets : public ::testing::Test {
protected:
    static fs::path scratch;
    static fs::path dir;
    static GeneratorRun first;

    static void SetUpTestSuite() {
        char pattern[] = "/tmp/assetgen_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        dir = scratch / "texture3";
        first = runGenerator(scratch, "'" + dir.string() + "'");
    }
    static void TearDownTestSuite() { fs::remove_all(scratch); }

    static Bytes heights() { return readFile(dir / "Terrain.raw"); }
};

fs::path GeneratedAssets::scratch;
fs::path GeneratedAssets::dir;
GeneratorRun GeneratedAssets::first;

}  // namespace

TEST_F(GeneratedAssets, WritesAllElevenFilesTheSameWayEveryTime) {
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(lineCount(first.out), 11) << first.out;
    for (const char* name : ASSET_NAMES) EXPECT_NE(first.out.find(name), std::string::npos) << name;

    const fs::path again = scratch / "again";
    const GeneratorRun second = runGenerator(scratch, "'" + again.string() + "'");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    for (const char* name : ASSET_NAMES) {
        const Bytes a = readFile(dir / name), b = readFile(again / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between two runs";
    }
}

TEST_F(GeneratedAssets, HeightMapTilesWithoutASeam) {
    const Bytes h = heights();
    ASSERT_EQ(h.size(), 1048576u);
    auto at = [&](int x, int z) {
        return int(h[static_cast<size_t>(x) + static_cast<size_t>(z) * EDGE]);
    };

    // The largest step between neighbours inside the map, and across the seams
    // where column 1023 meets column 0 and row 1023 meets row 0.
    int inside = 0, acrossX = 0, acrossZ = 0;
    for (int z = 0; z < EDGE; ++z)
        for (int x = 0; x + 1 < EDGE; ++x)
            inside = std::max(inside, std::abs(at(x + 1, z) - at(x, z)));
    for (int x = 0; x < EDGE; ++x)
        for (int z = 0; z + 1 < EDGE; ++z)
            inside = std::max(inside, std::abs(at(x, z + 1) - at(x, z)));
    for (int i = 0; i < EDGE; ++i) {
        acrossX = std::max(acrossX, std::abs(at(0, i) - at(EDGE - 1, i)));
        acrossZ = std::max(acrossZ, std::abs(at(i, 0) - at(i, EDGE - 1)));
    }
    EXPECT_LE(acrossX, inside);
    EXPECT_LE(acrossZ, inside);
    // The ground is smooth enough for the 16-unit mesh and the kart.
    EXPECT_LE(inside, 6);
}

TEST_F(GeneratedAssets, HeightMapFitsTheScene) {
    const Bytes h = heights();
    ASSERT_EQ(h.size(), 1048576u);
    auto at = [&](int x, int z) {
        return int(h[static_cast<size_t>(x) + static_cast<size_t>(z) * EDGE]);
    };

    // The start: the eye at height 35 over (490, 275) is not lifted, and the
    // kart's corners (500/505, 272/277) stand on low ground under the cloud deck.
    EXPECT_LE(at(490, 275) + 10, 35);
    for (int x : {500, 505})
        for (int z : {272, 277}) EXPECT_LT(at(x, z), 40) << x << "," << z;

    // Beyond the tile there is no ground: from the valleys the tile's edges
    // must rise at least into the cloud deck (the sky box bottom at 78.5).
    int lowestEdge = 255;
    for (int i = 0; i < EDGE; ++i) lowestEdge = std::min({lowestEdge, at(0, i), at(i, 0)});
    EXPECT_GT(lowestEdge, 79);
    EXPECT_GT(*std::max_element(h.begin(), h.end()), 180);
}

TEST_F(GeneratedAssets, EveryPictureDecodesAtItsSizeInItsStoredForm) {
    struct Expect {
        const char* name;
        int width, height;
        uint32_t header, bits, compression;  // as stored
    };
    const Expect expected[] = {
        {"Terrain.bmp", 1024, 1024, 40, 24, 0}, {"Detail.bmp", 512, 512, 40, 8, 0},
        {"Back.bmp", 1024, 256, 40, 24, 0},     {"Front.bmp", 1024, 256, 40, 32, 0},
        {"Bottom.bmp", 1024, 1024, 40, 24, 0},  {"Top.bmp", 512, 512, 12, 24, 0},
        {"Left.bmp", 1024, 256, 40, 24, 0},     {"Right.bmp", 1024, 256, 40, 24, 0},
        {"NSXtop.bmp", 256, 256, 40, 8, 1},     {"NSXback.bmp", 256, 64, 40, 4, 2},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const Bytes file = readFile(dir / e.name);
        ASSERT_GT(file.size(), 26u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(le32(file, 2), file.size());
        const uint32_t header = le32(file, 14);
        EXPECT_EQ(header, e.header);
        const uint32_t bits =
            header == 12 ? (file[24] | file[25] << 8) : (file[28] | file[29] << 8);
        EXPECT_EQ(bits, e.bits);
        if (header == 40) {
            EXPECT_EQ(le32(file, 30), e.compression);
        }

        const Picture p = decodeFile(dir / e.name);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
    }

    // The detail grain is centred on the combiner's neutral grey.
    const Picture detail = decodeFile(dir / "Detail.bmp");
    double sum = 0;
    for (size_t i = 0; i < detail.rgb.size(); i += 3) sum += detail.rgb[i];
    EXPECT_NEAR(sum / (detail.rgb.size() / 3), 128.0, 1.0);
}

TEST_F(GeneratedAssets, TerrainColoursLieOverTheirHeights) {
    const Bytes h = heights();
    const Picture colours = decodeFile(dir / "Terrain.bmp");
    ASSERT_EQ(h.size(), 1048576u);
    ASSERT_EQ(colours.width, EDGE);
    ASSERT_EQ(colours.height, EDGE);
    auto height = [&](int x, int z) {
        return int(h[static_cast<size_t>(x & 1023) + static_cast<size_t>(z & 1023) * EDGE]);
    };

    // The ground at (x, z) is drawn with s = x / 1024, t = -z / 1024, and
    // t = 0 is the bottom row: so z lies on picture row 1023 - z (texel centres
    // sit half a unit off the samples). The lake is the one level patch at the
    // lowest height; its inner samples must all be blue there, and a colour
    // map flipped either way would put grass under most of them.
    const int water = *std::min_element(h.begin(), h.end());
    int lake = 0, blue = 0, flippedBlue = 0;
    for (int z = 0; z < EDGE; ++z)
        for (int x = 0; x < EDGE; ++x) {
            bool inner = true;
            for (int dz = -2; dz <= 2; ++dz)
                for (int dx = -2; dx <= 2; ++dx) inner = inner && height(x + dx, z + dz) == water;
            if (!inner) continue;
            ++lake;
            const uint8_t* c = colours.at(x, EDGE - 1 - z);
            blue += c[2] > c[0] + 10 && c[2] >= c[1];
            const uint8_t* f = colours.at(x, z);
            flippedBlue += f[2] > f[0] + 10 && f[2] >= f[1];
        }
    ASSERT_GT(lake, 500);
    EXPECT_EQ(blue, lake);
    EXPECT_LT(flippedBlue, lake / 4);

    // The colour map repeats with the terrain: the mean step from the last
    // column (row) to the first is no larger than between the columns (rows)
    // on either side of the seam.
    auto columnStep = [&](int x) {  // mean step from column x to x + 1
        double sum = 0;
        for (int y = 0; y < EDGE; ++y) {
            const uint8_t *a = colours.at(x & 1023, y), *b = colours.at((x + 1) & 1023, y);
            sum += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        }
        return sum / EDGE;
    };
    auto rowStep = [&](int y) {
        double sum = 0;
        for (int x = 0; x < EDGE; ++x) {
            const uint8_t *a = colours.at(x, y & 1023), *b = colours.at(x, (y + 1) & 1023);
            sum += std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
        }
        return sum / EDGE;
    };
    double nearColumns = 0, nearRows = 0;
    for (int d = 1; d <= 4; ++d) {
        nearColumns = std::max({nearColumns, columnStep(EDGE - 1 - d), columnStep(d - 1)});
        nearRows = std::max({nearRows, rowStep(EDGE - 1 - d), rowStep(d - 1)});
    }
    EXPECT_LE(columnStep(EDGE - 1), 1.2 * nearColumns);
    EXPECT_LE(rowStep(EDGE - 1), 1.2 * nearRows);
}

TEST_F(GeneratedAssets, SkyFacesMeetAlongTheBoxEdges) {
    // How the sky box draws each face: texture (s, t) -> box point, with
    // x0 < x1, y0 < y1, z0 < z1 its corner planes.
    //   back   z0: x = x0 + s, y = y0 + t      front  z1: x = x1 - s, y = y0 + t
    //   bottom y0: x = x1 - s, z = z0 + t      top    y1: x = x1 - s, z = z1 - t
    //   left   x0: z = z1 - s, y = y0 + t      right  x1: z = z0 + s, y = y0 + t
    // Each box edge is then a pair of face borders, walked by u from 0 to 1.
    std::map<std::string, Picture> face;
    for (const char* name : {"Back", "Front", "Bottom", "Top", "Left", "Right"})
        face[name] = decodeFile(dir / (std::string(name) + ".bmp"));
    using Param = std::function<std::pair<float, float>(float)>;  // u -> (s, t)
    struct Edge {
        const char *a, *b;
        Param pa, pb;
    };
    auto P = [](float s, float t) { return std::make_pair(s, t); };
    const Edge edges[] = {
        {"Back", "Left", [&](float u) { return P(0, u); }, [&](float u) { return P(1, u); }},
        {"Back", "Right", [&](float u) { return P(1, u); }, [&](float u) { return P(0, u); }},
        {"Front", "Left", [&](float u) { return P(1, u); }, [&](float u) { return P(0, u); }},
        {"Front", "Right", [&](float u) { return P(0, u); }, [&](float u) { return P(1, u); }},
        {"Back", "Bottom", [&](float u) { return P(u, 0); }, [&](float u) { return P(1 - u, 0); }},
        {"Back", "Top", [&](float u) { return P(u, 1); }, [&](float u) { return P(1 - u, 1); }},
        {"Front", "Bottom", [&](float u) { return P(u, 0); }, [&](float u) { return P(u, 1); }},
        {"Front", "Top", [&](float u) { return P(u, 1); }, [&](float u) { return P(u, 0); }},
        {"Left", "Bottom", [&](float u) { return P(u, 0); }, [&](float u) { return P(1, 1 - u); }},
        {"Left", "Top", [&](float u) { return P(u, 1); }, [&](float u) { return P(1, u); }},
        {"Right", "Bottom", [&](float u) { return P(u, 0); }, [&](float u) { return P(0, u); }},
        {"Right", "Top", [&](float u) { return P(u, 1); }, [&](float u) { return P(0, 1 - u); }},
    };
    auto texel = [](const Picture& p, std::pair<float, float> st) {
        int x = std::min(static_cast<int>(st.first * p.width), p.width - 1);
        int y = std::min(static_cast<int>(st.second * p.height), p.height - 1);
        return p.at(x, y);
    };
    for (const Edge& e : edges) {
        const Picture &a = face[e.a], &b = face[e.b];
        ASSERT_GT(a.width, 0);
        ASSERT_GT(b.width, 0);
        double sum = 0;
        const int samples = 256;
        for (int i = 0; i < samples; ++i) {
            float u = (i + 0.5f) / samples;
            const uint8_t *ca = texel(a, e.pa(u)), *cb = texel(b, e.pb(u));
            for (int c = 0; c < 3; ++c) sum += std::abs(ca[c] - cb[c]);
        }
        EXPECT_LT(sum / (samples * 3), 2.0) << e.a << " / " << e.b;
    }
}

TEST(AssetGenerator, LeavesFilesAUserPutThere) {
    char pattern[] = "/tmp/assetgen_keep_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path scratch = pattern, dir = scratch / "texture3";
    fs::create_directories(dir);
    writeFile(dir / "Detail.bmp", "my own detail");
    writeFile(dir / "Terrain.raw", "my own heights");

    GeneratorRun run = runGenerator(scratch, "'" + dir.string() + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(lineCount(run.out), 9) << run.out;
    EXPECT_EQ(run.out.find("Detail.bmp"), std::string::npos);
    EXPECT_EQ(run.out.find("Terrain.raw"), std::string::npos);
    const Bytes detail = readFile(dir / "Detail.bmp");
    EXPECT_EQ(std::string(detail.begin(), detail.end()), "my own detail");
    EXPECT_EQ(readFile(dir / "Terrain.raw").size(), 14u);
    EXPECT_GT(readFile(dir / "Terrain.bmp").size(), 3000000u);

    // Nothing missing: nothing written.
    run = runGenerator(scratch, "'" + dir.string() + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");

    // --force is for developers: it rewrites everything.
    run = runGenerator(scratch, "--force '" + dir.string() + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(lineCount(run.out), 11);
    EXPECT_EQ(readFile(dir / "Terrain.raw").size(), 1048576u);
    fs::remove_all(scratch);
}

TEST(AssetGenerator, ReportsFilesItCannotWrite) {
    char pattern[] = "/tmp/assetgen_fail_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path scratch = pattern;

    // A directory that cannot exist: its parent is a plain file.
    writeFile(scratch / "plain", "x");
    GeneratorRun run = runGenerator(scratch, "'" + (scratch / "plain" / "texture3").string() + "'");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("plain/texture3"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    // A file that cannot be written (a directory stands in its place): the
    // others are still written, and the run fails naming it.
    const fs::path dir = scratch / "texture3";
    fs::create_directories(dir / "Top.bmp");
    run = runGenerator(scratch, "--force '" + dir.string() + "'");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("Top.bmp"), std::string::npos) << run.err;
    EXPECT_EQ(lineCount(run.out), 10) << run.out;
    EXPECT_TRUE(fs::is_directory(dir / "Top.bmp"));

    // Wrong usage is refused without writing anything.
    run = runGenerator(scratch, "--bogus");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
    fs::remove_all(scratch);
}
