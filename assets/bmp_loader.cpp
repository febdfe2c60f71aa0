// Loading a BMP file: map it read-only, decode it, report a failure in a box.
#include "assets/bmp_loader.h"

#include "app/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// One file's whole content as a read-only block of bytes.
struct MappedFile {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
#ifdef _WIN32
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
#else
    int fd = -1;
#endif
};

#ifdef _WIN32

// Maps the whole file; false when it is missing, empty or cannot be mapped
// (Windows refuses to map a zero-length file anyway).
bool mapWholeFile(const char* path, MappedFile* m) {
    m->file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m->file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    if (GetFileSizeEx(m->file, &length) && length.QuadPart > 0 &&
        uint64_t(length.QuadPart) <= uint64_t(SIZE_MAX)) {
        m->mapping = CreateFileMappingA(m->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (m->mapping) {
            m->bytes =
                static_cast<const uint8_t*>(MapViewOfFile(m->mapping, FILE_MAP_READ, 0, 0, 0));
            if (m->bytes) {
                m->size = size_t(length.QuadPart);
                return true;
            }
            CloseHandle(m->mapping);
        }
    }
    CloseHandle(m->file);
    return false;
}

// Releases what mapWholeFile acquired.
void unmapFile(MappedFile* m) {
    UnmapViewOfFile(m->bytes);
    CloseHandle(m->mapping);
    CloseHandle(m->file);
}

#else

// Maps the whole file; false when it is missing, not a regular file (a
// directory opens fine on POSIX), empty, or cannot be mapped.
bool mapWholeFile(const char* path, MappedFile* m) {
    m->fd = open(path, O_RDONLY | O_CLOEXEC);
    if (m->fd < 0) return false;
    struct stat info;
    if (fstat(m->fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        uint64_t(info.st_size) <= uint64_t(SIZE_MAX)) {
        void* view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, m->fd, 0);
        if (view != MAP_FAILED) {
            m->bytes = static_cast<const uint8_t*>(view);
            m->size = size_t(info.st_size);
            return true;
        }
    }
    close(m->fd);
    return false;
}

// Releases what mapWholeFile acquired.
void unmapFile(MappedFile* m) {
    munmap(const_cast<uint8_t*>(m->bytes), m->size);
    close(m->fd);
}

#endif

void showFailure(const char* text) { platMessageBox(platFocusWindow(), text, "Error", BOX_OK); }

// Shows "Failed to open DIB file <path>.\n" with the whole path however long;
// if no buffer that large can be had, the path is cut to fit a fixed one.
void showOpenFailure(const char* path) {
    static const char format[] = "Failed to open DIB file %s.\n";
    const size_t needed = std::strlen(path) + sizeof format;
    char* text = static_cast<char*>(std::malloc(needed));
    if (text) {
        std::snprintf(text, needed, format, path);
        showFailure(text);
        std::free(text);
        return;
    }
    char fallback[512];
    std::snprintf(fallback, sizeof fallback, "Failed to open DIB file %.*s.\n",
                  int(sizeof fallback - sizeof format), path);
    showFailure(fallback);
}

}  // namespace

ImageRecord* loadBmpImage(const char* path) {
    MappedFile file;
    if (!path || !mapWholeFile(path, &file)) {
        showOpenFailure(path ? path : "");
        return nullptr;
    }
    const char* failure = nullptr;
    ImageRecord* image = decodeBmp(file.bytes, file.size, &failure);
    unmapFile(&file);
    if (!image) showFailure(failure);
    return image;
}
