#include "app/packaged_set.h"

#include "assets/textures.h"
#include "world/height_map.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int SCENE_FILE_COUNT = SCENE_TEXTURE_COUNT + 1;

// Empty where the file is read from the working folder.
std::string packagedPath[SCENE_FILE_COUNT];

// The height file, then the textures: the order start-up reads them in.
const char* sceneFile(int i) { return i == 0 ? HEIGHT_FILE : SCENE_TEXTURES[i - 1].path; }

// Missing means what the readers' own presence tests mean: the file cannot be
// opened. One that opens but is damaged stays the user's, so its box tells
// the user what is wrong with their file instead of hiding it.
bool opens(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

}  // namespace

void choosePackagedFiles() {
    const char* set = std::getenv("MERROWIND_PACKAGED_SET");
    std::string taken;
    for (int i = 0; i < SCENE_FILE_COUNT; ++i) {
        packagedPath[i].clear();
        if (!set || !*set || opens(sceneFile(i))) continue;
        // Missing from both: the user's path goes on to give the usual box.
        const std::string packaged = std::string(set) + "/" + sceneFile(i);
        if (!opens(packaged)) continue;
        packagedPath[i] = packaged;
        taken += (taken.empty() ? "" : ", ") + std::string(std::strrchr(sceneFile(i), '/') + 1);
    }
    // Said once, not per file: a user who left most files out should not get
    // ten lines, but should learn that what they see is partly not theirs.
    if (!taken.empty())
        std::fprintf(stderr, "merrowind: texture3/ lacks %s: taken from %s/texture3\n",
                     taken.c_str(), set);
}

const char* assetPath(const char* path) {
    for (int i = 0; path && i < SCENE_FILE_COUNT; ++i)
        if (!packagedPath[i].empty() && std::strcmp(path, sceneFile(i)) == 0)
            return packagedPath[i].c_str();
    return path;
}
