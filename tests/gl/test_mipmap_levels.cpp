// The browser build's mipmap levels (app/web/gl_subset/mipmap_levels.h) against
// Mesa's gluBuild2DMipmaps, texel by texel, at the sizes of the scene's
// pictures. Noise makes every 2 x 2 mean a rounding case: a builder that
// truncates drifts further from GLU at each level.
#include "app/gl_api.h"
#include "app/web/gl_subset/mipmap_levels.h"
#include "tests/support/gl_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

TEST(MipmapLevelsGl, EveryLevelIsWithinOneOfMesasGlu) {
    ASSERT_TRUE(openTestGlWindow(800, 600));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    uint32_t seed = 12345;
    for (const auto& size :
         {std::make_pair(1024, 1024), std::make_pair(1024, 256), std::make_pair(512, 512),
          std::make_pair(256, 256), std::make_pair(256, 64)}) {
        int w = size.first, h = size.second;
        std::vector<uint8_t> level(static_cast<size_t>(w) * h * 3);
        for (uint8_t& byte : level)
            byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        ASSERT_EQ(0, gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE,
                                       level.data()));
        for (int index = 0;; ++index) {
            std::vector<uint8_t> glu(level.size());
            glGetTexImage(GL_TEXTURE_2D, index, GL_RGB, GL_UNSIGNED_BYTE, glu.data());
            int worst = 0;
            for (size_t i = 0; i < glu.size(); ++i)
                worst = std::max(worst, std::abs(glu[i] - level[i]));
            EXPECT_LE(worst, 1) << size.first << " x " << size.second << ", level " << index;
            if (w == 1 && h == 1) break;
            level = mipmapHalve(level, w, h, 3);
            w = std::max(1, w / 2);
            h = std::max(1, h / 2);
        }
        glDeleteTextures(1, &name);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
}
