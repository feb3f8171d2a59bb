// A directory of the test's own, removed with everything in it.
#ifndef TRALVINEX_TESTS_TEMP_DIR_H
#define TRALVINEX_TESTS_TEMP_DIR_H

#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

struct TempDir {
    std::string path;

    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tralvinex-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }

    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

inline void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#endif
