#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lookup/host_name.h"

// A column of Unicode's data without its blanks (the data escapes every
// space it holds), its \uXXXX escapes, surrogate pairs joined, as UTF-8.
static std::string Unescape(const std::string &column)
{
    std::string out;
    for (size_t i = 0; i < column.size(); i++) {
        if (column.compare(i, 2, "\\u") != 0) {
            if (column[i] != ' ' && column[i] != '\t' && column[i] != '\r')
                out += column[i];
            continue;
        }
        unsigned long code = std::stoul(column.substr(i + 2, 4), nullptr, 16);
        i += 5;
        if (code >= 0xD800 && code < 0xDC00 && column.compare(i + 1, 2, "\\u") == 0) {
            unsigned long low = std::stoul(column.substr(i + 3, 4), nullptr, 16);
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
        }
        int tail = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        out += (char)(tail == 0 ? code : ((0xFF00 >> (tail + 1)) & 0xFF) | (code >> (6 * tail)));
        for (int k = tail - 1; k >= 0; k--)
            out += (char)(0x80 | ((code >> (6 * k)) & 0x3F));
    }
    return out;
}

// Unicode's UTS #46 conformance data, run as libidn2's own tests run it: a
// line whose nontransitional result is a name (and no character IDNA2008
// leaves out) converts to exactly that name; a line whose result is an
// error may convert, as libidn2 leaves the STD3 and hyphen rules out. ASCII
// sources are looked up as given and not run. All outcomes make a digest,
// the same on Linux and Windows.
TEST(HostName, ConformanceDataGivesTheSameNamesOnEveryPlatform)
{
    std::ifstream data(TRALVINEX_IDNA_TEST_DATA);
    ASSERT_TRUE(data) << TRALVINEX_IDNA_TEST_DATA;
    unsigned long long digest = 14695981039346656037ull;
    int lineNumber = 0, run = 0, refused = 0;
    for (std::string line; std::getline(data, line);) {
        lineNumber++;
        std::vector<std::string> field;
        std::istringstream columns(line.substr(0, line.find('#')));
        for (std::string column; std::getline(columns, column, ';');)
            field.push_back(Unescape(column));
        if (field.size() < 2 || field[0] == "T" || !NeedsAsciiName(field[1].c_str()))
            continue;
        field.resize(5);
        std::string expected = !field[3].empty() ? field[3] : !field[2].empty() ? field[2] : field[1];
        char ascii[kAsciiNameSize];
        const char *reason = "";
        bool converted = TakeAsciiName(field[1].c_str(), ascii, sizeof ascii, &reason);
        if (expected[0] != '[' && field[4].empty())
            EXPECT_EQ(expected, converted ? ascii : reason) << "line " << lineNumber;
        std::string outcome = std::to_string(lineNumber) + (converted ? ascii : reason) + "\n";
        for (unsigned char c : outcome)
            digest = (digest ^ c) * 1099511628211ull;
        run++;
        refused += !converted;
    }
    EXPECT_EQ(10232413947805913023ull, digest) << run << " lines run, " << refused << " refused";
}
