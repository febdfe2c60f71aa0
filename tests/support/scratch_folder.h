// A fresh working folder for a test that reads asset paths relative to it:
// entered on construction, left and removed on destruction.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class ScratchFolder {
public:
    // Enters a new empty folder; with texture3 set, texture3/ is made in it.
    explicit ScratchFolder(bool withTexture3 = true) {
        char pattern[] = "/tmp/merrowind-test-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        path_ = pattern;
        char buffer[4096];
        if (!getcwd(buffer, sizeof buffer) || chdir(path_.c_str()) != 0) std::abort();
        previous_ = buffer;
        if (withTexture3 && mkdir("texture3", 0755) != 0) std::abort();
    }
    ~ScratchFolder() {
        if (chdir(previous_.c_str()) != 0) std::abort();
        std::system(("rm -rf '" + path_ + "'").c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_, previous_;
};
