// The scene's mipmapped textures, each built once from a BMP file at start-up.
#include "assets/textures.h"

#include "app/packaged_set.h"
#include "app/platform.h"
#include "app/window.h"
#include "assets/bmp_loader.h"

#include <cstdio>
#include <cstdlib>

GLuint TextureSet[TEXTURE_SLOT_COUNT];

const SceneTexture SCENE_TEXTURES[SCENE_TEXTURE_COUNT] = {
    {TEX_TERRAIN, "texture3/Terrain.bmp"},   {TEX_DETAIL, "texture3/Detail.bmp"},
    {TEX_SKY_BACK, "texture3/Back.bmp"},     {TEX_SKY_FRONT, "texture3/Front.bmp"},
    {TEX_SKY_BOTTOM, "texture3/Bottom.bmp"}, {TEX_SKY_TOP, "texture3/Top.bmp"},
    {TEX_SKY_LEFT, "texture3/Left.bmp"},     {TEX_SKY_RIGHT, "texture3/Right.bmp"},
    {TEX_KART_TOP, "texture3/NSXtop.bmp"},   {TEX_KART_BACK, "texture3/NSXback.bmp"},
};

bool makeMipmappedTexture(GLuint* slot, const char* path) {
    if (!path) return false;

    // Only a presence test: the loader maps the file itself.
    FILE* probe = std::fopen(path, "rb");
    if (!probe) {
        platMessageBox(mainWindow, "Unable to load BMP File!", "Error", BOX_OK);
        return false;
    }
    std::fclose(probe);

    ImageRecord* image = loadBmpImage(path);
    if (!image) return false;  // the loader has shown its own message

    glGenTextures(1, slot);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // the loader's rows carry no padding
    glBindTexture(GL_TEXTURE_2D, *slot);
    // Start-up goes on even when no context could be made; GL calls are then
    // no-ops, but Mesa's GLU reads the version string without a null check.
    if (glGetString(GL_VERSION))
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->sizeX, image->sizeY, GL_RGB, GL_UNSIGNED_BYTE,
                          image->data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLfloat(GL_MODULATE));

    std::free(image->data);
    std::free(image);
    return true;
}

void makeSceneTextures() {
    for (const SceneTexture& texture : SCENE_TEXTURES)
        makeMipmappedTexture(&TextureSet[texture.slot], assetPath(texture.path));
}
