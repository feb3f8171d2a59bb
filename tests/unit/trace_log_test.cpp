#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include <prerr.h>

#include "platform/path_join.h"
#include "platform/platform.h"
#include "tracelog/error_line.h"
#include "tracelog/trace_log.h"
#include "test_files.h"

static PRExplodedTime At(int year, int month, int day, int hour, int min, int sec, int ms)
{
    PRExplodedTime t = {};

    t.tm_year = (PRInt16)year;
    t.tm_month = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_usec = ms * 1000;
    return t;
}

TEST(LogLine, HasStampTabTextAndCrLf)
{
    struct {
        PRExplodedTime when;
        const char *text;
        const char *line;
    } cases[] = {
        {At(2015, 3, 14, 9, 5, 7, 42), "Enumerated!", "03/14/2015 09:05:07.042\tEnumerated!\r\n"},
        {At(2026, 12, 31, 23, 59, 59, 999), "", "12/31/2026 23:59:59.999\t\r\n"},
        {At(999, 1, 1, 0, 0, 0, 0), "%s %n %d", "01/01/0999 00:00:00.000\t%s %n %d\r\n"},
        {At(2020, 2, 29, 12, 0, 60, 5), "\xe9t\xe9", "02/29/2020 12:00:60.005\t\xe9t\xe9\r\n"},
        {At(2020, 2, 29, 12, 0, 0, 0), "a\r\nb\tc\x7f", "02/29/2020 12:00:00.000\ta??b?c?\r\n"},
        // NEL, LINE and PARAGRAPH SEPARATOR and a lone 0x85 break lines too;
        // NO-BREAK and EM SPACE do not
        {At(2020, 2, 29, 12, 0, 0, 0), "a\xc2\x85" "b\xe2\x80\xa8" "c\xe2\x80\xa9" "d\x85\xc2\xa0\xe2\x80\x83",
         "02/29/2020 12:00:00.000\ta?b?c?d?\xc2\xa0\xe2\x80\x83\r\n"},
    };
    for (const auto &c : cases) {
        char line[kLogLineSize];
        PRUint32 length = FormatLogLine(&c.when, c.text, line, sizeof line);

        EXPECT_EQ(std::string(line, length), c.line);
        EXPECT_EQ(length, strlen(line));
    }
}

TEST(LogLine, ALongTextIsCutButTheLineStillEnds)
{
    std::string text(5000, 'x');
    PRExplodedTime when = At(2015, 3, 14, 9, 5, 7, 42);
    char line[kLogLineSize];
    PRUint32 length = FormatLogLine(&when, text.c_str(), line, sizeof line);

    EXPECT_EQ(length, kLogLineSize - 1);
    EXPECT_EQ(std::string(line + length - 2), "\r\n");
    // an error line's full 1023 characters always fit
    EXPECT_GE(length - 24 - 2, kErrorLineSize - 1);
}

TEST(LogPath, IsRefusedRatherThanCut)
{
    char out[kPathSize];
    std::string dir(250, 'd');

    ASSERT_TRUE(JoinPath(dir.c_str(), "12345678", out, sizeof out));  // 259 bytes
    EXPECT_EQ(strlen(out), 259u);
    EXPECT_FALSE(JoinPath(dir.c_str(), "123456789", out, sizeof out));
    EXPECT_STREQ(out, "");

    EXPECT_FALSE(JoinPath("", "Tralvinex1.log", out, sizeof out));  // not the root

    // No second separator after one that ends the folder: "\\?\D:\logs\\x"
    // is no valid path, and after a root alone it would make "\\x", a
    // network path.
    for (const std::string &dir : {std::string("logs") + kPathSeparator, std::string("/"),
                                   std::string(1, kPathSeparator)}) {
        ASSERT_TRUE(JoinPath(dir.c_str(), "Tralvinex1.log", out, sizeof out)) << dir;
        EXPECT_EQ(std::string(out), dir + "Tralvinex1.log");
    }

    // The id's digits and sign count: a log path of 259 bytes fits, of 260
    // it is refused.
    for (PRInt32 id : {7, 10, -5, 2147483647, -2147483647 - 1}) {
        std::string name = "Tralvinex" + std::to_string(id) + ".log";
        std::string dir(259 - 1 - name.size(), 'd');

        EXPECT_TRUE(JoinPath(dir.c_str(), name.c_str(), out, sizeof out)) << id;
        EXPECT_EQ(strlen(out), 259u) << id;
        dir += 'd';
        EXPECT_FALSE(JoinPath(dir.c_str(), name.c_str(), out, sizeof out)) << id;
    }
}

TEST(ErrorLine, NamesTheCodeAndItsText)
{
    char line[kErrorLineSize];

    FormatErrorLine(PR_FILE_NOT_FOUND_ERROR, line, sizeof line);
    EXPECT_STREQ(line, "[-5950] [PR_FILE_NOT_FOUND_ERROR] [File not found]");
    FormatErrorLine(PR_DIRECTORY_LOOKUP_ERROR, line, sizeof line);
    EXPECT_STREQ(line, "[-5973] [PR_DIRECTORY_LOOKUP_ERROR] "
                       "[A directory lookup on a network address has failed]");
}

TEST(ErrorLine, AnUnknownCodeShowsAPlaceholderName)
{
    char line[kErrorLineSize];

    FormatErrorLine(12345, line, sizeof line);
    EXPECT_EQ(std::string(line).rfind(std::string("[12345] [") + kNoErrorName + "] [", 0), 0u) << line;
    EXPECT_EQ(strstr(line, "(null)"), nullptr);
}

TEST(WriteLog, AppendsWholeLinesToTheThreadsFile)
{
    TempDir dir;
    std::string path = dir / ("Tralvinex" + std::to_string(GetThreadId()) + ".log");

    WriteLogLine(dir.path.c_str(), "first");
    WriteLogLine(dir.path.c_str(), "second");
    std::string log = ReadFileBytes(path);
    ASSERT_EQ(log.size(), 2 * 24 + 5 + 6 + 4) << log;
    EXPECT_EQ(log.substr(23, 8), "\tfirst\r\n");
    EXPECT_EQ(log.substr(log.size() - 9), "\tsecond\r\n");
}

TEST(WriteLog, ALineForAMissingDirectoryIsDropped)
{
    TempDir dir;

    WriteLogLine((dir / "missing").c_str(), "lost");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// The end-to-end cases plant links, FIFOs and folders on Linux; a hard link
// is what Wine can show too.
TEST(WriteLog, WritesNothingThroughAHardLinkPlantedAsItsFile)
{
    TempDir dir;

    WriteFileBytes(dir / "outside", "x");
    std::filesystem::create_hard_link(dir / "outside",
                                      dir / ("Tralvinex" + std::to_string(GetThreadId()) + ".log"));
    WriteLogLine(dir.path.c_str(), "planted");
    EXPECT_EQ(ReadFileBytes(dir / "outside"), "x");
}
