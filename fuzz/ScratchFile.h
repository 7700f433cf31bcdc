#pragma once
// The fuzz input as a real file, in a private folder of the fuzzing process
// (in memory under /dev/shm where there is one), removed at exit.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        std::string t = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/dorvel-fuzz-XXXXXX");
        if (mkdtemp(t.data()) == nullptr)
            abort();
        static std::string keep;
        keep = t;
        atexit([] { std::system(("rm -rf '" + keep + "'").c_str()); });
        return t;
    }();
    return folder;
}

// Writes the bytes to name in the scratch folder and gives its path.
inline std::string ScratchFile(const char* name, const uint8_t* data, size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0)
        abort();
    return path;
}
