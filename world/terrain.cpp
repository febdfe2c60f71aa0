// The ground as one multitextured triangle strip, sent whole every frame.
#include "world/terrain.h"

#include "app/gl_api.h"
#include "app/window_messages.h"
#include "assets/textures.h"
#include "world/height_map.h"

namespace {

// Sends one grid vertex with its height and both units' texture coordinates.
inline void sendVertex(const uint8_t* map, int vx, int vz) {
    const int h = sampleHeight(map, vx, vz);
    terrainTexCoord(static_cast<float>(vx), static_cast<float>(vz));
    glVertex3i(vx, h, vz);
}

}  // namespace

// The base image spans the map once, and unit 1's texture matrix turns the same
// pair into the repeating detail.
void terrainTexCoord(float x, float z) {
    const float s = x / 1024.0f;
    const float t = -z / 1024.0f;
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, s, t);
    glMultiTexCoord2fARB(GL_TEXTURE1_ARB, s, t);
}

void drawTerrain(const uint8_t* map) {
    if (map == nullptr) {
        return;
    }

    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TextureSet[TEX_TERRAIN]);

    if (detailOn) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        // Default combiner operands multiply the detail texel by unit 0's
        // result; the scale of 2 keeps mid-grey detail neutral.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 2);
        glBindTexture(GL_TEXTURE_2D, TextureSet[TEX_DETAIL]);

        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        const float repeat = static_cast<float>(detailRepeat);
        glScalef(repeat, repeat, 1.0f);
        glMatrixMode(GL_MODELVIEW);
    }

    // One strip, no restarts: columns alternate direction so each one starts on
    // the edge row where the previous one ended.
    glBegin(GL_TRIANGLE_STRIP);
    bool rising = true;
    for (int x = 0; x <= COLUMN_LIMIT; x += GRID_STEP) {
        if (rising) {
            for (int z = 0; z <= ROW_LIMIT; z += GRID_STEP) {
                sendVertex(map, x + GRID_STEP, z);
                sendVertex(map, x, z);
            }
        } else {
            for (int z = ROW_LIMIT; z >= 0; z -= GRID_STEP) {
                sendVertex(map, x, z);
                sendVertex(map, x + GRID_STEP, z);
            }
        }
        rising = !rising;
    }
    glEnd();

    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
}
