// loadBmpImage and the failure paths of makeMipmappedTexture, on real files in a
// scratch directory, with message boxes counted by the fake platform.
#include "app/window.h"
#include "assets/bmp_loader.h"
#include "assets/textures.h"
#include "tests/support/fake_platform.h"
#include "tests/support/scratch_folder.h"
#include "tests/unit/bmp_builder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace bmptest;

namespace {

// A fresh working directory with an empty texture3/ in it, left again afterwards.
class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override {
        fakeReset();
        fake.windowCreated = true;  // so the focus window is the fake's window
    }

    void TearDown() override { mainWindow = nullptr; }

    ScratchFolder folder;
    const std::string& scratch = folder.path();
};

Bytes smallPicture() {
    BmpLayout s;
    s.width = 2;
    s.height = 1;
    s.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    return buildBmp(s);
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

bool mappedAnywhere(const std::string& name) {
    std::ifstream maps("/proc/self/maps");
    std::stringstream all;
    all << maps.rdbuf();
    return all.str().find(name) != std::string::npos;
}

TEST_F(BmpFiles, GoodFileLoadsWithoutABoxAndIsReleasedFully) {
    ASSERT_TRUE(writeFile("texture3/ok.bmp", smallPicture()));
    const int before = openDescriptors();
    ImageRecord* image = loadBmpImage("texture3/ok.bmp");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->sizeX, 2);
    EXPECT_EQ(image->sizeY, 1);
    EXPECT_EQ(Bytes(image->data, image->data + 6), (Bytes{3, 2, 1, 6, 5, 4}));
    std::free(image->data);
    std::free(image);
    EXPECT_TRUE(fake.boxes.empty());
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_FALSE(mappedAnywhere(scratch + "/texture3/ok.bmp"));
}

TEST_F(BmpFiles, EachFailureShowsExactlyOneBoxAndReleasesTheFile) {
    ASSERT_TRUE(writeFile("texture3/empty.bmp", {}));
    ASSERT_EQ(mkdir("texture3/dir.bmp", 0755), 0);
    Bytes v5 = smallPicture();
    v5[14] = 124;
    ASSERT_TRUE(writeFile("texture3/v5.bmp", v5));
    Bytes cut = smallPicture();
    cut.resize(cut.size() - 4);
    ASSERT_TRUE(writeFile("texture3/cut.bmp", cut));
    Bytes huge = smallPicture();
    huge[19] = 0x7F;  // width 0x7F02 x 1
    ASSERT_TRUE(writeFile("texture3/huge.bmp", huge));

    struct Case {
        const char* path;
        const char* text;
    } cases[] = {
        {"texture3/x.bmp", "Failed to open DIB file texture3/x.bmp.\n"},
        {"texture3/empty.bmp", "Failed to open DIB file texture3/empty.bmp.\n"},
        {"texture3/dir.bmp", "Failed to open DIB file texture3/dir.bmp.\n"},
        {"", "Failed to open DIB file .\n"},
        {"texture3/v5.bmp", "Unknown DIB file format."},
        {"texture3/cut.bmp", "Image file conversion error."},
        {"texture3/huge.bmp", "Out of memory."},
    };
    const int before = openDescriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        fake.boxes.clear();
        EXPECT_EQ(loadBmpImage(c.path), nullptr);
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(fake.boxes[0].text, c.text);
        EXPECT_EQ(fake.boxes[0].caption, "Error");
        EXPECT_EQ(fake.boxes[0].style, uint32_t(BOX_OK));
        EXPECT_EQ(fake.boxes[0].owner, fakeWindow());
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(BmpFiles, BoxOwnerIsWhicheverWindowHasTheFocus) {
    fake.focused = false;
    EXPECT_EQ(loadBmpImage("texture3/none.bmp"), nullptr);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].owner, nullptr);
}

TEST_F(BmpFiles, VeryLongPathIsQuotedWhole) {
    for (size_t length : {200u, 5000u, 200000u}) {
        SCOPED_TRACE(length);
        fake.boxes.clear();
        const std::string path = "texture3/" + std::string(length, 'q') + ".bmp";
        EXPECT_EQ(loadBmpImage(path.c_str()), nullptr);
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(fake.boxes[0].text, "Failed to open DIB file " + path + ".\n");
    }
}

TEST_F(BmpFiles, TextureFailuresLeaveTheSlotAndShowOneBox) {
    mainWindow = fakeWindow();
    ASSERT_TRUE(writeFile("texture3/Empty.bmp", {}));
    Bytes v4 = smallPicture();
    v4[14] = 108;
    ASSERT_TRUE(writeFile("texture3/V4.bmp", v4));

    struct Case {
        const char* path;
        const char* text;  // null: no box at all
    } cases[] = {
        {nullptr, nullptr},
        {"texture3/Detail.bmp", "Unable to load BMP File!"},
        {"texture3/Empty.bmp", "Failed to open DIB file texture3/Empty.bmp.\n"},
        {"texture3/V4.bmp", "Unknown DIB file format."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        fake.boxes.clear();
        GLuint slot = 0;
        EXPECT_FALSE(makeMipmappedTexture(&slot, c.path));
        EXPECT_EQ(slot, 0u);
        if (!c.text) {
            EXPECT_TRUE(fake.boxes.empty());
            continue;
        }
        ASSERT_EQ(fake.boxes.size(), 1u);
        EXPECT_EQ(fake.boxes[0].text, c.text);
        EXPECT_EQ(fake.boxes[0].caption, "Error");
        EXPECT_EQ(fake.boxes[0].style, uint32_t(BOX_OK));
        EXPECT_EQ(fake.boxes[0].owner, mainWindow);
    }
}

// The scene's ten files in load order; without a context (as after a failed
// context creation) the loads still run and nothing crashes.
TEST_F(BmpFiles, MissingDetailGivesOneBoxAndNineTextures) {
    mainWindow = fakeWindow();
    const char* const paths[] = {
        "texture3/Terrain.bmp", "texture3/Detail.bmp", "texture3/Back.bmp", "texture3/Front.bmp",
        "texture3/Bottom.bmp",  "texture3/Top.bmp",    "texture3/Left.bmp", "texture3/Right.bmp",
        "texture3/NSXtop.bmp",  "texture3/NSXback.bmp"};
    for (const char* path : paths) {
        if (std::strcmp(path, "texture3/Detail.bmp") != 0) {
            ASSERT_TRUE(writeFile(path, smallPicture()));
        }
    }
    int made = 0;
    for (const char* path : paths) {
        GLuint slot = 0;
        made += makeMipmappedTexture(&slot, path) ? 1 : 0;
    }
    EXPECT_EQ(made, 9);
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Unable to load BMP File!");
    EXPECT_EQ(fake.boxes[0].owner, mainWindow);
}

}  // namespace
