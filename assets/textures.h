// The scene's ten textures, made once at start-up.
#pragma once

#include "app/gl_api.h"

enum TextureSlot {
    TEX_TERRAIN = 0,
    TEX_DETAIL = 1,
    TEX_KART_TOP = 2,
    TEX_KART_BACK = 3,
    TEX_SKY_BACK = 11,
    TEX_SKY_FRONT = 12,
    TEX_SKY_BOTTOM = 13,
    TEX_SKY_TOP = 14,
    TEX_SKY_LEFT = 15,
    TEX_SKY_RIGHT = 16,
};

constexpr int TEXTURE_SLOT_COUNT = 17;

extern GLuint TextureSet[TEXTURE_SLOT_COUNT];

// The scene's ten files and their slots, in the order start-up makes them.
struct SceneTexture {
    TextureSlot slot;
    const char* path;
};
constexpr int SCENE_TEXTURE_COUNT = 10;
extern const SceneTexture SCENE_TEXTURES[SCENE_TEXTURE_COUNT];

// With the context current: loads path and builds a mipmapped texture into
// *slot; false (and a box) when the file is missing or unreadable.
bool makeMipmappedTexture(GLuint* slot, const char* path);
// Makes every file of SCENE_TEXTURES (or its packaged copy, app/packaged_set.h)
// into its slot of TextureSet, in the table's order; a file that fails does
// not stop the rest.
void makeSceneTextures();
