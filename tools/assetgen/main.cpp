// merrowind-assets [--force] [DIR]: writes the scene's eleven asset files into
// DIR (default "texture3"), generated from code alone.
//
// Files that already exist are left alone, because a user may have put their
// own pictures there; --force rewrites them. One line is printed per file
// written. On any I/O failure the program says so and exits with 1.
//
// merrowind-assets --preview OUT.ppm X Y Z YAW PITCH SKYANGLE [W H] renders a
// rough picture of the scene from that camera instead (for art work).
#include "tools/assetgen/assetgen.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace {

// The height model is needed by two files; build it at most once.
const HeightModel& heightModel() {
    static std::unique_ptr<HeightModel> model;
    if (!model) model = std::make_unique<HeightModel>(buildHeightModel());
    return *model;
}

std::vector<uint8_t> skyFile(SkyFace face) {
    int w, h;
    skyFaceSize(face, &w, &h);
    RgbImage image = skyFaceImage(face, w, h);
    // Two faces use other stored forms so every start reads more than one.
    if (face == SKY_FRONT) return bmp32(image);
    if (face == SKY_TOP) return bmpCore24(image);
    return bmp24(image);
}

struct AssetFile {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
};

const AssetFile FILES[] = {
    {"Terrain.raw", [] { return heightBytes(heightModel()); }},
    {"Terrain.bmp", [] { return bmp24(terrainColourMap(heightModel())); }},
    {"Detail.bmp", [] { return bmpGrey8(detailGrain(DETAIL_EDGE), DETAIL_EDGE, DETAIL_EDGE); }},
    {"Back.bmp", [] { return skyFile(SKY_BACK); }},
    {"Front.bmp", [] { return skyFile(SKY_FRONT); }},
    {"Bottom.bmp", [] { return skyFile(SKY_BOTTOM); }},
    {"Top.bmp", [] { return skyFile(SKY_TOP); }},
    {"Left.bmp", [] { return skyFile(SKY_LEFT); }},
    {"Right.bmp", [] { return skyFile(SKY_RIGHT); }},
    {"NSXtop.bmp", [] { return bmpRle8(kartTopImage(KART_TOP_EDGE)); }},
    {"NSXback.bmp", [] { return bmpRle4(kartBackImage(KART_BACK_WIDTH, KART_BACK_HEIGHT)); }},
};

// Writes one file. Without `force` the file is created exclusively, so one
// that appeared meanwhile is still not replaced. A partly written file is
// removed: left behind, it would block every later run.
enum WriteResult { WRITTEN, KEPT, FAILED };
WriteResult writeFile(const std::string& path, const std::vector<uint8_t>& bytes, bool force) {
    FILE* f = std::fopen(path.c_str(), force ? "wb" : "wbx");
    if (!f) {
        if (!force && errno == EEXIST) return KEPT;
        std::fprintf(stderr, "merrowind-assets: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return FAILED;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int writeErrno = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        writeErrno = errno;
    }
    if (!ok) {
        std::fprintf(stderr, "merrowind-assets: cannot write %s: %s\n", path.c_str(),
                     std::strerror(writeErrno));
        std::remove(path.c_str());
        return FAILED;
    }
    return WRITTEN;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: merrowind-assets [--force] [DIR]\n"
        "       merrowind-assets --version\n"
        "       merrowind-assets --preview OUT.ppm X Y Z YAW PITCH SKYANGLE [WIDTH HEIGHT]\n");
    return 2;
}

// A whole argument as a finite float; false for anything else ("12abc", "nan",
// "1e99"), so no later conversion sees a value the program itself never holds.
bool parseFloat(const char* text, float* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtof(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(*value);
}

// A whole argument as a picture side of 1 to 4096 pixels.
bool parseSide(const char* text, int* side) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < 1 || value > 4096) return false;
    *side = static_cast<int>(value);
    return true;
}

int preview(int argc, char** argv) {
    if (argc != 9 && argc != 11) return usage();
    PreviewCamera camera;
    bool ok = true;
    for (int i = 0; i < 3; ++i) ok = ok && parseFloat(argv[3 + i], &camera.eye[i]);
    ok = ok && parseFloat(argv[6], &camera.yawDegrees) &&
         parseFloat(argv[7], &camera.pitchDegrees) && parseFloat(argv[8], &camera.skyAngle);
    int width = 800, height = 600;
    if (argc == 11) ok = ok && parseSide(argv[9], &width) && parseSide(argv[10], &height);
    if (!ok) return usage();
    if (!writePreview(argv[2], camera, width, height)) {
        std::fprintf(stderr, "merrowind-assets: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0) return preview(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("merrowind-assets %s\n", MERROWIND_VERSION);
        return 0;
    }

    bool force = false;
    std::string dir = "texture3";
    bool haveDir = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--force") == 0) {
            force = true;
        } else if (argv[i][0] == '-' || haveDir) {
            return usage();
        } else {
            dir = argv[i];
            haveDir = true;
        }
    }

    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir, error)) {
        std::fprintf(stderr, "merrowind-assets: cannot make directory %s: %s\n", dir.c_str(),
                     error ? error.message().c_str() : "not a directory");
        return 1;
    }

    int status = 0;
    for (const AssetFile& file : FILES) {
        std::string path = dir + "/" + file.name;
        if (!force && std::filesystem::exists(path, error)) continue;
        WriteResult result = writeFile(path, file.make(), force);
        if (result == WRITTEN) std::printf("wrote %s\n", path.c_str());
        if (result == FAILED) status = 1;
    }
    return status;
}
