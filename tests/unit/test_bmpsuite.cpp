// Every row of the independent BMP test corpus (shared/bmpsuite beside the
// repository, or $MERROWIND_BMPSUITE), loaded the way the program loads it.
// The corpus is read in place; none of it lives in the repository.
#include "assets/bmp_loader.h"
#include "tests/support/fake_platform.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

struct Row {
    std::string path, expect, message, reference, mask, tolerance;
};

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string suiteDir() {
    if (const char* env = std::getenv("MERROWIND_BMPSUITE"))
        if (isFile(std::string(env) + "/MANIFEST.tsv")) return env;
    const std::string beside = MERROWIND_SOURCE_DIR "/../shared/bmpsuite";
    return isFile(beside + "/MANIFEST.tsv") ? beside : std::string();
}

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) out.push_back(field);
    return out;
}

// The rows, by the manifest's own column names.
std::vector<Row> readManifest(const std::string& dir) {
    std::ifstream in(dir + "/MANIFEST.tsv");
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> names = splitTabs(line);
    auto column = [&](const char* name) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return i;
        ADD_FAILURE() << "manifest has no column " << name;
        return size_t(0);
    };
    const size_t path = column("path"), expect = column("expect"), message = column("message"),
                 reference = column("reference"), mask = column("mask"),
                 tolerance = column("tolerance");
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> f = splitTabs(line);
        f.resize(names.size());
        rows.push_back({f[path], f[expect], f[message], f[reference], f[mask], f[tolerance]});
    }
    return rows;
}

#define REQUIRE_SUITE(dir)                                                           \
    const std::string dir = suiteDir();                                              \
    if (dir.empty()) {                                                               \
        GTEST_SKIP() << "BMP corpus not found: put it at ../shared/bmpsuite beside " \
                        "the repository or set MERROWIND_BMPSUITE";                  \
    }

// Compares a decoded picture with the row's reference, honouring mask and tolerance.
void expectMatchesReference(const std::string& dir, const Row& row, const ImageRecord* image) {
    const Bytes want = readAll(dir + "/" + row.reference);
    const size_t bytes = size_t(image->sizeX) * size_t(image->sizeY) * 3;
    ASSERT_EQ(bytes, want.size());
    const Bytes mask = row.mask == "-" ? Bytes() : readAll(dir + "/" + row.mask);
    if (!mask.empty()) {
        ASSERT_EQ(mask.size() * 3, want.size());
    }
    const int tolerance = row.tolerance == "-" ? 0 : std::atoi(row.tolerance.c_str());
    size_t wrong = 0, first = bytes;
    for (size_t i = 0; i < bytes; ++i) {
        if (!mask.empty() && mask[i / 3] == 0) continue;
        if (std::abs(int(image->data[i]) - int(want[i])) > tolerance) {
            ++wrong;
            if (first == bytes) first = i;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first difference at byte " << first;
}

const char* const LOADER_TEXTS[] = {"Out of memory.", "Unknown DIB file format.",
                                    "Image file conversion error."};

void expectOneLoaderMessage(const Row& row) {
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].caption, "Error");
    if (row.message != "any" && row.message != "-") {
        EXPECT_EQ(fake.boxes[0].text, row.message);
        return;
    }
    bool known = false;
    for (const char* text : LOADER_TEXTS) known = known || fake.boxes[0].text == text;
    EXPECT_TRUE(known) << fake.boxes[0].text;
}

// Loads one row's file through the loader; null when it was refused.
ImageRecord* loadRow(const std::string& dir, const Row& row) {
    fakeReset();
    return loadBmpImage((dir + "/" + row.path).c_str());
}

void release(ImageRecord* image) {
    std::free(image->data);
    std::free(image);
}

TEST(BmpSuite, DecodeRowsMatchTheirReference) {
    REQUIRE_SUITE(dir);
    int seen = 0;
    for (const Row& row : readManifest(dir)) {
        if (row.expect != "decode") continue;
        SCOPED_TRACE(row.path);
        ++seen;
        ImageRecord* image = loadRow(dir, row);
        EXPECT_TRUE(fake.boxes.empty()) << (fake.boxes.empty() ? "" : fake.boxes[0].text);
        ASSERT_NE(image, nullptr);
        expectMatchesReference(dir, row, image);
        release(image);
    }
    EXPECT_GT(seen, 30);
}

TEST(BmpSuite, RejectRowsShowExactlyOneMessage) {
    REQUIRE_SUITE(dir);
    int seen = 0;
    for (const Row& row : readManifest(dir)) {
        if (row.expect != "reject") continue;
        SCOPED_TRACE(row.path);
        ++seen;
        ImageRecord* image = loadRow(dir, row);
        EXPECT_EQ(image, nullptr);
        if (image) release(image);
        expectOneLoaderMessage(row);
    }
    EXPECT_GT(seen, 30);
}

// The loader decodes bit-field and top-down pictures, so every "either" row
// that has a reference must decode to it; the rest either decode or fail once.
TEST(BmpSuite, EitherRowsDecodeToTheirReferenceOrFailOnce) {
    REQUIRE_SUITE(dir);
    int seen = 0;
    for (const Row& row : readManifest(dir)) {
        if (row.expect != "either") continue;
        SCOPED_TRACE(row.path);
        ++seen;
        ImageRecord* image = loadRow(dir, row);
        if (row.reference != "-") {
            EXPECT_TRUE(fake.boxes.empty());
            ASSERT_NE(image, nullptr);
            expectMatchesReference(dir, row, image);
        } else if (!image) {
            expectOneLoaderMessage(row);
        } else {
            EXPECT_TRUE(fake.boxes.empty());
        }
        if (image) release(image);
    }
    EXPECT_GT(seen, 10);
}

// The corpus has no packed bitmap: g/pal8.bmp without its file header is one,
// whose pixels follow its 252-entry table directly.
TEST(BmpSuite, PackedCopyOfPal8DecodesLikeTheOriginal) {
    REQUIRE_SUITE(dir);
    const Bytes file = readAll(dir + "/g/pal8.bmp");
    ASSERT_GT(file.size(), 14u);
    const char* failure = nullptr;
    ImageRecord* image = decodeBmp(file.data() + 14, file.size() - 14, &failure);
    ASSERT_NE(image, nullptr) << failure;
    const Bytes want = readAll(dir + "/expected/pal8.rgb");
    EXPECT_EQ(image->sizeX, 127);
    EXPECT_EQ(image->sizeY, 64);
    EXPECT_EQ(Bytes(image->data, image->data + want.size()), want);
    release(image);
}

// bmpcheck, the command-line face of the loader, on one good and one bad file.
TEST(BmpSuite, BmpcheckPrintsSizeWritesPixelsAndReportsFailures) {
    REQUIRE_SUITE(dir);
    const std::string tool = MERROWIND_BINARY_DIR "/bmpcheck";
    if (!isFile(tool)) GTEST_SKIP() << "bmpcheck is not built";
    const std::string out = std::string(MERROWIND_BINARY_DIR) + "/bmpcheck-test.rgb";
    const std::string log = std::string(MERROWIND_BINARY_DIR) + "/bmpcheck-test.log";

    std::string command =
        "'" + tool + "' '" + dir + "/g/rgb24.bmp' '" + out + "' >'" + log + "' 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readAll(log), (Bytes{'1', '2', '7', 'x', '6', '4', '\n'}));
    EXPECT_EQ(readAll(out), readAll(dir + "/expected/rgb24.rgb"));

    command = "'" + tool + "' '" + dir + "/g/pal8v5.bmp' 2>'" + log + "'";
    status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const Bytes err = readAll(log);
    // The loader's own message first, then how to save a header it reads.
    EXPECT_EQ(std::string(err.begin(), err.end()).rfind("Unknown DIB file format.\n", 0), 0u);
    EXPECT_NE(std::string(err.begin(), err.end()).find("convert in.png BMP3:out.bmp"),
              std::string::npos);
    std::remove(out.c_str());
    std::remove(log.c_str());
}

}  // namespace
