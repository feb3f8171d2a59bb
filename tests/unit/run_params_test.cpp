#include <string>

#include <gtest/gtest.h>

#include "lookup/run_params.h"

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
