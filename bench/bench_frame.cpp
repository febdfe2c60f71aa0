// Frame benchmark: the real scene with the real assets in an 800 x 600 window on
// the SDL platform, set up by the program's own steps. Prints start-up time to
// the first frame (with the height file and each texture's decode and mipmap
// build measured on the side), per-frame median and p95 for the whole frame and
// its parts against a clear-and-swap floor, and resident memory.
//
//   cd DIR-WITH-texture3 && tests/support/with-xvfb --size 800x600 build/bench_frame [frames]
//
// Every timed piece ends with glFinish, so the figures include the renderer's
// work, not just the time to queue it.
#include "app/gl_api.h"
#include "app/platform.h"
#include "app/scene_setup.h"
#include "app/window.h"
#include "app/window_messages.h"
#include "assets/bmp_loader.h"
#include "assets/textures.h"
#include "camera/camera_rig.h"
#include "world/frame.h"
#include "world/height_map.h"
#include "world/sky_box.h"
#include "world/terrain.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident set size in kB from /proc/self/status; -1 where there is none.
long residentKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(status);
    return kb;
}

// Drops whatever the window system queued: the benchmark takes no input.
void drainMessages() {
    PlatMessage message;
    while (platPeekMessage(&message)) {
        if (message.message == MSG_QUIT) break;
    }
}

void clearAndLoadCamera() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    theRig.applyLookAt();
}

// Times frames of one kind and prints median and p95.
template <class Body>
void timeFrames(const char* name, int frames, Body body) {
    std::vector<double> ms;
    ms.reserve(frames);
    for (int i = 0; i < frames; i++) {
        drainMessages();
        const Clock::time_point start = Clock::now();
        body();
        glFinish();
        ms.push_back(msSince(start));
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const double p95 = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    std::printf("  %-34s median %7.3f ms   p95 %7.3f ms\n", name, median, p95);
}

bool assetsPresent() {
    bool all = true;
    auto check = [&](const char* path) {
        FILE* f = std::fopen(path, "rb");
        if (f) {
            std::fclose(f);
        } else {
            std::fprintf(stderr, "bench_frame: missing %s (run merrowind-assets here first)\n",
                         path);
            all = false;
        }
    };
    check(HEIGHT_FILE);
    for (const SceneTexture& t : SCENE_TEXTURES) check(t.path);
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    // Missing files would stop the run at a message box nobody can answer.
    if (!assetsPresent()) return 1;

    const Clock::time_point processStart = Clock::now();

    // The program's own window, pixel format and context, framed.
    fullScreenMode = false;
    WindowHandle window =
        openMainWindow("Merrowind frame benchmark", 800, 600, 0, false, platModuleInstance());
    if (!window) {
        std::fprintf(stderr, "bench_frame: no window\n");
        return 1;
    }
    if (!attachSceneContext(window)) {
        std::fprintf(stderr, "bench_frame: no multitexture entry points\n");
        return 1;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    platSwapBuffers(deviceContext);
    glFinish();
    const double windowMs = msSince(processStart);
    const long floorKb = residentKb();

    std::printf("Renderer: %s / %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    std::printf("Start-up to the first frame (ms)\n");
    std::printf("  %-34s %8.2f\n", "window and context", windowMs);

    // The parts of set-up measured on the side, into scratch memory and scratch
    // textures, to split the cost; the program's own set-up follows.
    std::vector<uint8_t> scratchField(sizeof heightField);
    Clock::time_point step = Clock::now();
    readHeightFile(HEIGHT_FILE, TERRAIN_EDGE * TERRAIN_EDGE, scratchField.data());
    std::printf("  %-34s %8.2f   (on the side)\n", "height file", msSince(step));
    for (const SceneTexture& t : SCENE_TEXTURES) {
        step = Clock::now();
        ImageRecord* image = loadBmpImage(t.path);
        const double decodeMs = msSince(step);
        double mipmapMs = 0;
        int w = 0, h = 0;
        if (image) {
            w = image->sizeX;
            h = image->sizeY;
            GLuint scratch = 0;
            step = Clock::now();
            glGenTextures(1, &scratch);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glBindTexture(GL_TEXTURE_2D, scratch);
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGB, GL_UNSIGNED_BYTE, image->data);
            glFinish();
            mipmapMs = msSince(step);
            glDeleteTextures(1, &scratch);
            std::free(image->data);
            std::free(image);
        }
        char label[64];
        std::snprintf(label, sizeof label, "%s %dx%d", t.path + 9, w, h);
        std::printf("  %-34s decode %7.2f   mipmap build %7.2f   (on the side)\n", label, decodeMs,
                    mipmapMs);
    }

    step = Clock::now();
    loadScene();
    glFinish();
    const double sceneMs = msSince(step);
    std::printf("  %-34s %8.2f\n", "scene set-up (heights, textures)", sceneMs);

    step = Clock::now();
    composeFrame();
    glFinish();
    const double firstFrameMs = msSince(step);
    std::printf("  %-34s %8.2f\n", "first frame", firstFrameMs);
    // The side measurements above are left out: this is what the program spends.
    std::printf("  %-34s %8.2f\n", "total to the first frame", windowMs + sceneMs + firstFrameMs);
    const long sceneKb = residentKb();

    std::printf(
        "Per frame, %d frames at %dx%d, detail on, repeat %d (each includes clear and swap)\n",
        frames, int(clientRect.right), int(clientRect.bottom), detailRepeat);
    timeFrames("whole frame (composeFrame)", frames, [] { composeFrame(); });
    timeFrames("terrain only", frames, [] {
        clearAndLoadCamera();
        drawTerrain(heightField);
        platSwapBuffers(deviceContext);
    });
    timeFrames("sky only", frames, [] {
        clearAndLoadCamera();
        drawTurnedSkyBox(skyAngle);
        platSwapBuffers(deviceContext);
    });

    // The same strip once compiled: what remains is the cost of the pixels.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawTerrain(heightField);
    glEndList();
    timeFrames("terrain from a display list", frames, [list] {
        clearAndLoadCamera();
        glCallList(list);
        platSwapBuffers(deviceContext);
    });
    glDeleteLists(list, 1);

    timeFrames("clear and swap", frames, [] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        platSwapBuffers(deviceContext);
    });

    std::printf("Resident memory (VmRSS)\n");
    std::printf("  %-34s %8ld kB\n", "window and context (floor)", floorKb);
    std::printf("  %-34s %8ld kB\n", "scene after start-up", sceneKb);
    std::printf("  %-34s %8ld kB\n", "after the timed frames", residentKb());

    platMakeCurrent(nullptr, nullptr);
    platDeleteRenderContext(renderContext);
    platReleaseDeviceContext(mainWindow, deviceContext);
    platUnregisterWindowClass(WINDOW_CLASS_NAME, appInstance);
    return 0;
}
