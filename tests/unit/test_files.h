// Files for the tests: a directory of the test's own, removed with all in
// it, and files of a given size and age, on any platform.
#ifndef TRALVINEX_TESTS_TEST_FILES_H
#define TRALVINEX_TESTS_TEST_FILES_H

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

struct TempDir {
    std::string path;

    TempDir()
    {
        std::random_device random;
        std::filesystem::path base = std::filesystem::temp_directory_path();
        do
            path = (base / ("tralvinex-" + std::to_string(random()))).string();
        while (!std::filesystem::create_directory(path));
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

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

// Whole seconds of the wall clock, as file times are compared in.
inline long long NowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

// Sets the modification time to the start of the second that lay
// secondsAgo (negative: in the future) before the current one.
inline void SetAge(const std::string &path, long long secondsAgo, std::error_code &error)
{
    using namespace std::chrono;
    system_clock::time_point when{seconds(NowSeconds() - secondsAgo)};
    std::filesystem::last_write_time(path, file_clock::from_sys(when), error);
}

inline void SetAge(const std::string &path, long long secondsAgo)
{
    std::error_code error;
    SetAge(path, secondsAgo, error);
    if (error)
        throw std::filesystem::filesystem_error("cannot set the age", path, error);
}

// Waits out the end of a second, so that no second starts between setting a
// time and the code under test reading the clock.
inline void AwayFromSecondEdge()
{
    using namespace std::chrono;
    while (duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() % 1000 > 800)
        ;
}

// A file of size bytes (sparse where the file system allows) and age.
inline void MakeFile(const std::string &path, long long size, long long secondsAgo)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    std::filesystem::resize_file(path, (std::uintmax_t)size);
    SetAge(path, secondsAgo);
}

#endif
