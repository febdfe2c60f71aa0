// The kart body, drawn straight from the four corners the camera carries.
#include "world/kart.h"

#include "app/gl_api.h"
#include "assets/textures.h"

// Draws the kart last in the frame: textured top one unit up, textured back
// panel on the c0-c1 edge, plain white bottom at the corners' own height.
void drawKartBody(Vec3 c0, Vec3 c1, Vec3 c2, Vec3 c3) {
    glPushMatrix();

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, TextureSet[TEX_KART_TOP]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(c0.x, c0.y + 1.0f, c0.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(c1.x, c1.y + 1.0f, c1.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(c2.x, c2.y + 1.0f, c2.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(c3.x, c3.y + 1.0f, c3.z);
    glEnd();

    // The upper edge borrows c2/c3's heights; the frame makes them equal to
    // c1/c0 just before, so the panel stays one unit tall.
    glBindTexture(GL_TEXTURE_2D, TextureSet[TEX_KART_BACK]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(c0.x, c0.y, c0.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(c1.x, c1.y, c1.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(c1.x, c2.y + 1.0f, c1.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(c0.x, c3.y + 1.0f, c0.z);
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(c0.x, c0.y, c0.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(c1.x, c1.y, c1.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(c2.x, c2.y, c2.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(c3.x, c3.y, c3.z);
    glEnd();

    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}
