// libFuzzer entry for decodeBmp: any bytes must give either a well-formed
// record whose every pixel byte can be read, or exactly one of the loader's
// three failure texts; never a crash, an out-of-bounds access or a leak.
#include "assets/bmp_decode.h"

#include <cstdio>
#include <cstdlib>

// Keeps the reads below from being optimised away.
volatile unsigned pixelSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* failure = nullptr;
    ImageRecord* image = decodeBmp(data, size, &failure);
    if (!image) {
        if (failure != BMP_OUT_OF_MEMORY && failure != BMP_UNKNOWN_FORMAT &&
            failure != BMP_CONVERSION_ERROR)
            std::abort();
        return 0;
    }
    if (failure || image->sizeX <= 0 || image->sizeY <= 0 || image->sizeX > 16384 ||
        image->sizeY > 16384 || !image->data)
        std::abort();
    // Read across the whole buffer, the last byte included, so ASan checks it is
    // as large as the record says.
    const size_t bytes = size_t(image->sizeX) * size_t(image->sizeY) * 3;
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; i += 61) sum += image->data[i];
    sum += image->data[bytes - 1];
    pixelSink = sum;
    std::free(image->data);
    std::free(image);
    return 0;
}
