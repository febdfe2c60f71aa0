// The sky box faces and the wall slabs that keep the viewer inside it.
#include "world/sky_box.h"

#include "app/gl_api.h"
#include "assets/textures.h"
#include "world/collision_boxes.h"
#include "world/scene_layout.h"

namespace {

// Binds a face's image and clamps it, so the border texels of the opposite
// edge are never filtered into the seams between faces.
void bindFace(int slot) {
    glBindTexture(GL_TEXTURE_2D, TextureSet[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

// Writes one slab from its six values, directly into the collision table.
void writeSlab(int index, float minX, float maxX, float minY, float maxY, float minZ, float maxZ) {
    CollisionBox& box = collisionBoxes[index];
    box.minCorner.x = minX;
    box.maxCorner.x = maxX;
    box.minCorner.y = minY;
    box.maxCorner.y = maxY;
    box.minCorner.z = minZ;
    box.maxCorner.z = maxZ;
}

}  // namespace

// The slabs come from the arguments only, so turning the drawn box leaves the
// walls where they are.
void drawSkyBoxAndWalls(float cx, float cy, float cz, float width, float height, float length) {
    glEnable(GL_TEXTURE_2D);

    const float x0 = cx - width / 2;
    const float x1 = x0 + width;
    const float y0 = cy - height / 2;
    const float y1 = y0 + height;
    const float z0 = cz - length / 2;
    const float z1 = z0 + length;
    const float m = WALL_MARGIN;

    // Back (z = z0).
    bindFace(TEX_SKY_BACK);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x1, y0, z0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x1, y1, z0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x0, y1, z0);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x0, y0, z0);
    glEnd();
    writeSlab(0, x0 - m, x1 + m, y0 - m, y1 + m, z0 - m, z0 + m);

    // Front (z = z1).
    bindFace(TEX_SKY_FRONT);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x0, y0, z1);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x0, y1, z1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x1, y1, z1);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x1, y0, z1);
    glEnd();
    writeSlab(1, x0 - m, x1 + m, y0 - m, y1 + m, z1 - m, z1 + m);

    // Bottom (y = y0).
    bindFace(TEX_SKY_BOTTOM);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x0, y0, z0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x0, y0, z1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x1, y0, z1);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x1, y0, z0);
    glEnd();

    // Top (y = y1).
    bindFace(TEX_SKY_TOP);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x1, y1, z0);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x1, y1, z1);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x0, y1, z1);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x0, y1, z0);
    glEnd();

    // Left (x = x0).
    bindFace(TEX_SKY_LEFT);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x0, y1, z0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x0, y1, z1);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x0, y0, z1);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x0, y0, z0);
    glEnd();
    writeSlab(2, x0 - m, x0 + m, y0 - m, y1 + m, z0 - m, z1 + m);

    // Right (x = x1).
    bindFace(TEX_SKY_RIGHT);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x1, y0, z0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x1, y0, z1);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x1, y1, z1);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x1, y1, z0);
    glEnd();
    writeSlab(3, x1 - m, x1 + m, y0 - m, y1 + m, z0 - m, z1 + m);
}

// The frame and the benchmark both draw the sky through here, so what is timed
// is what the program draws.
void drawTurnedSkyBox(float degrees) {
    glPushMatrix();
    glTranslatef(SKY_PIVOT_X, 0.0f, SKY_PIVOT_Z);
    glRotatef(degrees, 0.0f, 1.0f, 0.0f);
    drawSkyBoxAndWalls(SKY_CENTRE[0], SKY_CENTRE[1], SKY_CENTRE[2], SKY_SIZE[0], SKY_SIZE[1],
                       SKY_SIZE[2]);
    glPopMatrix();
}
