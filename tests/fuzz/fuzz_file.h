// The fuzz input as a file, for targets that read files by path: each input
// is written to one path of the process (in $TMPDIR, else /tmp).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Writes data to the process's file named after `name`; its path, or an empty
// string when it cannot be written.
inline std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp ? tmp : "/tmp");
    }();
    const std::string path = dir + "/quarzel-fuzz-" + std::to_string(getpid()) + "-" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
