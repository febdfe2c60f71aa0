// BMP bytes to packed RGB pixels, with no file system or window involved.
#pragma once

#include <cstddef>
#include <cstdint>

// Rows packed without padding, bottom row first, three bytes a pixel (R, G, B).
// The record and its pixels are two malloc blocks; free data, then the record.
struct ImageRecord {
    int32_t sizeX;
    int32_t sizeY;
    uint8_t* data;
};

// The loader's failure texts (caption "Error").
extern const char* const BMP_OUT_OF_MEMORY;     // "Out of memory."
extern const char* const BMP_UNKNOWN_FORMAT;    // "Unknown DIB file format."
extern const char* const BMP_CONVERSION_ERROR;  // "Image file conversion error."

// Decodes one whole file's bytes. On success returns the record and leaves
// *failure alone; on failure returns null and points *failure at one of the
// texts above.
ImageRecord* decodeBmp(const uint8_t* bytes, size_t size, const char** failure);
