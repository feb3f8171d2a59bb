#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tracelog/log_purge.h"
#include "test_files.h"

TEST(PurgeNameMatch, IsCaseBlindOnBothEnds)
{
    const struct {
        const char *name;
        bool match;
    } cases[] = {
        {"Tralvinex42.log", true},
        {"tralvinex42.LOG", true},
        {"TRALVINEX.log", true},
        {"Tralvinex.log", true},
        {"tRaLvInEx-7.LoG", true},
        {"Tralvinex anything at all .log", true},
        {"Tralvinex42.log.bak", false},
        {"xTralvinex42.log", false},
        {"Tralvinex", false},
        {"Tralvinex.lo", false},
        {"Tralvine.log", false},
        {".log", false},
        {"log", false},
        {"", false},
        {"Tralvinex\xe9.log", true},
        {"Tr\xc1lvinex.log", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsTraceLogName(c.name), c.match ? PR_TRUE : PR_FALSE) << c.name;
}

struct Purge : testing::Test {
    TempDir dir;

    std::string Make(const std::string &name, long long size, long long secondsAgo)
    {
        std::string path = dir / name;
        MakeFile(path, size, secondsAgo);
        return path;
    }
    void PurgeOne(const std::string &name)
    {
        PurgeLogFile(dir.path.c_str(), name.c_str(), kLogMaxAgeSeconds, kLogMaxSizeBytes);
    }
    bool Exists(const std::string &name) { return std::filesystem::exists(std::filesystem::symlink_status(dir / name)); }
};

TEST_F(Purge, AgeAndSizeBoundaries)
{
    const struct {
        long long size;
        long long secondsAgo;
        bool kept;
    } cases[] = {
        {10239, 86399, true},   // 86399 s and a fraction: not yet a whole day
        {10239, 86400, false},
        {0, 90000, false},
        {10240, 0, false},
        {10240, 86399, false},
        {0, 0, true},
        {10239, -3600, true},   // modified in the future: negative age
        {10240, -3600, false},
        {5LL << 30, 0, false},  // past 4 GiB: a 32-bit size would wrap
        {(4LL << 30) + 100, 0, false},  // ... to 100 bytes
    };
    int i = 0;
    for (const auto &c : cases) {
        AwayFromSecondEdge();
        std::string name = "Tralvinex" + std::to_string(i++) + ".log";
        Make(name, c.size, c.secondsAgo);
        PurgeOne(name);
        EXPECT_EQ(Exists(name), c.kept) << "size " << c.size << ", " << c.secondsAgo << " s old";
    }
}

// Dates at the ends of PRTime's range, which no file system here holds.
TEST(PurgeRule, JudgesAnyDateWithoutOverflow)
{
    LogFileFacts farPast = {0, PR_INT64_MIN};
    LogFileFacts farFuture = {0, PR_INT64_MAX};

    EXPECT_TRUE(IsCondemnedLog(&farPast, PR_Now(), kLogMaxAgeSeconds, kLogMaxSizeBytes));
    EXPECT_FALSE(IsCondemnedLog(&farFuture, PR_Now(), kLogMaxAgeSeconds, kLogMaxSizeBytes));
}

TEST_F(Purge, LeavesWhatItCannotExamine)
{
    std::error_code error;
    std::filesystem::create_directory(dir / "Tralvinex1.log");
    // Old, so that only its kind keeps it; Windows may refuse to set a
    // directory's time, and the directory must stay all the same.
    SetAge(dir / "Tralvinex1.log", 1000000, error);
    PurgeOne("Tralvinex1.log");
    PurgeOne("Tralvinex3.log");  // absent
    EXPECT_TRUE(Exists("Tralvinex1.log"));

    std::filesystem::create_symlink(dir / "nowhere", dir / "Tralvinex2.log", error);
    if (error)
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    PurgeOne("Tralvinex2.log");
    EXPECT_TRUE(Exists("Tralvinex2.log"));
}

TEST_F(Purge, UsesPathsUpTo259BytesAndNeverACutOne)
{
    std::string fits = "Tralvinex" + std::string(259 - dir.path.size() - 1 - 13, 'f') + ".log";
    Make(fits, 20000, 0);
    PurgeLogs(dir.path.c_str());
    EXPECT_FALSE(Exists(fits));

    // dir + "/" + name is longer than a path may be; its first 259 bytes name
    // another file that is condemned and must survive.
    std::string name = "Tralvinex" + std::string(255 - 9 - 4, 'x') + ".log";
    size_t room = 259 - dir.path.size() - 1;
    Make(name, 20000, 1000000);
    std::string cut = name.substr(0, room);
    ASSERT_LT(room, name.size());
    Make(cut, 20000, 1000000);

    PurgeLogs(dir.path.c_str());
    EXPECT_TRUE(Exists(name));
    EXPECT_TRUE(Exists(cut));
}

TEST_F(Purge, ScansTheDirectoryForMatchingNamesOnly)
{
    Make("Tralvinex11.log", 100, 172800);
    Make("tralvinex12.LOG", 20000, 0);
    Make("Tralvinex13.log", 100, 60);
    Make("Tralvinex42.log.bak", 20000, 172800);
    Make("xTralvinex42.log", 20000, 172800);
    Make("Tralvinex", 20000, 172800);
    Make(".Tralvinex.log", 20000, 0);  // not hidden from the scan: it does not match

    PurgeLogs(dir.path.c_str());
    EXPECT_FALSE(Exists("Tralvinex11.log"));
    EXPECT_FALSE(Exists("tralvinex12.LOG"));
    EXPECT_TRUE(Exists("Tralvinex13.log"));
    EXPECT_TRUE(Exists("Tralvinex42.log.bak"));
    EXPECT_TRUE(Exists("xTralvinex42.log"));
    EXPECT_TRUE(Exists("Tralvinex"));
    EXPECT_TRUE(Exists(".Tralvinex.log"));

    PurgeLogs((dir / "missing").c_str());  // quietly nothing
}
