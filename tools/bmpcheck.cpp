// bmpcheck FILE [OUT.rgb] (or --version): loads one BMP file the way the program does, prints
// WIDTHxHEIGHT and optionally writes the decoded R,G,B bytes (bottom row
// first). On failure the loader's message goes to stderr and the exit code is 1.
#include "assets/bmp_loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    if (!image) return 1;

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
