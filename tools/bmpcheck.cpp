// bmpcheck FILE [OUT.rgb] (or --version): loads one BMP file the way the program does, prints
// WIDTHxHEIGHT and optionally writes the decoded R,G,B bytes (bottom row
// first). On failure the loader's message goes to stderr and the exit code is 1;
// a header the loader does not read is followed by how to save one it does.
#include "assets/bmp_loader.h"
#include "tools/console_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// ImageMagick writes the 124-byte header by default and GraphicsMagick the
// 108-byte one for pictures with alpha, so this is what most users' own
// pictures run into; the loader's message itself stays as it is.
const char* const HEADER_HINT =
    "bmpcheck: Merrowind reads BMP files with a 12-byte (OS/2) or 40-byte (Windows 3)\n"
    "  image header, with or without the 14-byte file header; the 108- and 124-byte\n"
    "  headers that newer writers use are not read. Save the picture again as one:\n"
    "    ImageMagick:    convert in.png BMP3:out.bmp\n"
    "    GraphicsMagick: gm convert in.png BMP3:out.bmp\n"
    "    GIMP:           Export As .bmp, Compatibility Options,\n"
    "                    \"Do not write color space information\"\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("bmpcheck %s\n", MERROWIND_VERSION);
        return 0;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bmpcheck FILE [OUT.rgb] | --version\n");
        return 2;
    }
    ImageRecord* image = loadBmpImage(argv[1]);
    if (!image) {
        if (lastBoxText == BMP_UNKNOWN_FORMAT) std::fputs(HEADER_HINT, stderr);
        return 1;
    }

    int status = 0;
    std::printf("%dx%d\n", image->sizeX, image->sizeY);
    if (argc == 3) {
        const size_t bytes = size_t(image->sizeX) * size_t(image->sizeY) * 3;
        FILE* out = std::fopen(argv[2], "wb");
        if (!out || std::fwrite(image->data, 1, bytes, out) != bytes) {
            std::fprintf(stderr, "bmpcheck: cannot write %s\n", argv[2]);
            status = 1;
        }
        if (out && std::fclose(out) != 0 && status == 0) {
            std::fprintf(stderr, "bmpcheck: cannot write %s\n", argv[2]);
            status = 1;
        }
    }
    std::free(image->data);
    std::free(image);
    return status;
}
