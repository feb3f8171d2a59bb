#include <string>

#include <gtest/gtest.h>

#include "lookup/run_params.h"
#include "lookup/run_report.h"
#include "test_files.h"

struct NumberCase {
    const char *text;
    PRInt32 value;
    PRUint16 port;
    PRInt16 logLevel;
};

// atoi as on 32-bit Windows, then the low 16 bits.
static const NumberCase kNumberCases[] = {
    {"80", 80, 80, 80},
    {"0", 0, 0, 0},
    {"9", 9, 9, 9},
    {"65535", 65535, 65535, -1},
    {"70000", 70000, 4464, 4464},
    {"40000", 40000, 40000, -25536},
    {"75535", 75535, 9999, 9999},
    {"-1", -1, 65535, -1},
    {"  \t+12abc", 12, 12, 12},
    {"\n-7", -7, 65529, -7},
    {"abc", 0, 0, 0},
    {"", 0, 0, 0},
    {"+", 0, 0, 0},
    {"--5", 0, 0, 0},
    {"0x50", 0, 0, 0},
    {"2147483647", 2147483647, 65535, -1},
    {"2147483648", 2147483647, 65535, -1},
    {"4294967376", 2147483647, 65535, -1},
    {"99999999999999999999999", 2147483647, 65535, -1},
    {"-2147483648", -2147483647 - 1, 0, 0},
    {"-99999999999", -2147483647 - 1, 0, 0},
};

TEST(ArgumentConversion, FollowsAtoiAndTakesLow16Bits)
{
    for (const NumberCase &c : kNumberCases) {
        SCOPED_TRACE(std::string("argument '") + c.text + "'");
        EXPECT_EQ(ArgToInt32(c.text), c.value);
        EXPECT_EQ(ArgToPort(c.text), c.port);
        EXPECT_EQ(ArgToLogLevel(c.text), c.logLevel);
    }
}

TEST(ArgumentConversion, TextArgumentsUpTo259BytesAreTakenWhole)
{
    std::string fits(259, 'a');
    std::string tooLong(260, 'a');
    RunParams params;

    for (int which : {1, 4, 5}) {
        SCOPED_TRACE(which);
        std::string args[6] = {"tool", "host", "80", "9", "dat", "logs"};
        char *argv[6];

        args[which] = fits;
        for (int i = 0; i < 6; i++)
            argv[i] = args[i].data();
        ASSERT_TRUE(TakeRunParams(argv, &params));
        EXPECT_EQ(std::string(params.Host), args[1]);
        EXPECT_EQ(std::string(params.DatFile), args[4]);
        EXPECT_EQ(std::string(params.LogDir), args[5]);

        args[which] = tooLong;
        argv[which] = args[which].data();
        EXPECT_FALSE(TakeRunParams(argv, &params));
    }
}

// A message cut at 511 bytes ends before the character the cut would split:
// after 3 of an emoji's 4 bytes (led by F0), 2 of 3 (led by E0), 1 of 2; a
// character that ends at byte 511 stays.
TEST(RunReport, AMessageCutAt511BytesEndsBeforeASplitCharacter)
{
    const struct {
        size_t before;
        const char *character;
        size_t kept;
    } cases[] = {
        {508, "\xf0\x9f\x98\x80", 508},
        {509, "\xe0\xa0\x80", 509},
        {510, "\xc3\xa9", 510},
        {507, "\xf0\x9f\x98\x80", 511},
    };
    for (const auto &c : cases) {
        TempDir dir;
        RunParams params = {};
        std::string text = std::string(c.before, 'x') + c.character;

        params.LogLevel = kLogEnableLevel;
        strcpy(params.LogDir, dir.path.c_str());
        LogFormatted(&params, "%s", text.c_str());
        std::string log = ReadFileBytes(dir / ("Tralvinex" + std::to_string(GetThreadId()) + ".log"));
        EXPECT_EQ(log.size(), 24 + c.kept + 2) << c.before << " bytes before";
    }
}
