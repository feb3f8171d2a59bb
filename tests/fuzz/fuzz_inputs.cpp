// libFuzzer target over the pieces that take outside text: argument
// conversion and the host name's A-labels, the purge's name match, path building and the line formats.
// Each result is checked against a plain model of the rule; a disagreement
// aborts, which libFuzzer reports as a crash.
//
// Input: one selector byte, then the text (NUL bytes split it into parts).
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lookup/host_name.h"
#include "lookup/run_params.h"
#include "platform/path_join.h"
#include "platform/platform.h"
#include "tracelog/error_line.h"
#include "tracelog/log_purge.h"
#include "tracelog/trace_log.h"

#define REQUIRE(cond)                                                   \
    do {                                                                \
        if (!(cond)) {                                                  \
            fprintf(stderr, "disagreement: %s (line %d)\n", #cond, __LINE__); \
            abort();                                                    \
        }                                                               \
    } while (0)

// 32-bit atoi: white space, one sign, digits, held at the int32 limits.
static int32_t ModelAtoi(const char *s)
{
    long long value = 0;
    bool negative = false;

    while (*s == ' ' || (*s >= '\t' && *s <= '\r'))
        s++;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    for (; *s >= '0' && *s <= '9'; s++) {
        if (value <= 2147483648LL)
            value = value * 10 + (*s - '0');
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return 2147483647;
    if (value < -2147483648LL)
        return -2147483647 - 1;
    return (int32_t)value;
}

// The name match as first designed: upper-case a copy, compare both ends.
static bool ModelIsLogName(const std::string &name)
{
    std::string upper = name;

    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
    return upper.size() >= 13 && upper.compare(0, 9, "TRALVINEX") == 0 &&
           upper.compare(upper.size() - 4, 4, ".LOG") == 0;
}

static void CheckNumber(const char *text)
{
    int32_t value = ModelAtoi(text);

    REQUIRE(ArgToInt32(text) == value);
    REQUIRE(ArgToPort(text) == (uint16_t)(uint32_t)value);
    REQUIRE(ArgToLogLevel(text) == (int16_t)(uint16_t)(uint32_t)value);
}

static void CheckPath(const std::string &dir, const std::string &name)
{
    char out[kPathSize];
    // one separator between, none after a dir that ends in one
    bool ends = !dir.empty() && IsPathSeparator(dir.back());
    std::string whole = dir + (ends ? "" : std::string(1, kPathSeparator)) + name;
    PRBool fits = JoinPath(dir.c_str(), name.c_str(), out, sizeof out);

    REQUIRE(fits == (!dir.empty() && whole.size() < kPathSize));
    REQUIRE(fits ? whole == out : out[0] == '\0');
}

static void CheckLogLine(const char *text, PRInt32 seed)
{
    PRExplodedTime when = {};
    char line[kLogLineSize];
    size_t textLength = strlen(text);

    when.tm_usec = (seed & 1023) * 1000 % 1000000;
    when.tm_sec = seed % 61;
    when.tm_min = (seed / 61) % 60;
    when.tm_hour = (seed / 3660) % 24;
    when.tm_mday = 1 + (seed / 87840) % 31;
    when.tm_month = (seed / 100) % 12;
    when.tm_year = (PRInt16)(1970 + seed % 130);
    PRUint32 length = FormatLogLine(&when, text, line, sizeof line);

    REQUIRE(length == strlen(line));
    REQUIRE(length >= 26 && line[23] == '\t');
    REQUIRE(line[length - 2] == '\r' && line[length - 1] == '\n');
    // The text character by character, as code points: whole characters
    // while they fit, each control (C0, DEL, C1), U+2028, U+2029 and lone
    // byte 0x80 to 0x9F shown as "?", any other byte that begins no
    // well-formed character kept as it is.
    std::string want;
    size_t room = kLogLineSize - 1 - 24 - 2, taken = 0;
    while (taken < textLength) {
        const unsigned char *p = (const unsigned char *)text + taken;
        size_t n = p[0] >= 0xF8 ? 1 : p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 1;
        uint32_t cp = n == 1 ? p[0] : p[0] & (0x7F >> n);
        bool whole = n == 1 || n <= textLength - taken;
        for (size_t i = 1; whole && i < n; i++) {
            whole = (p[i] & 0xC0) == 0x80;
            cp = cp << 6 | (p[i] & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (n > 1 && !(whole && cp >= kLeast[n] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF))) {
            n = 1;
            cp = p[0];
        }
        if (want.size() + n > room)
            break;
        bool breaks = cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 ||
                      cp == 0x2029;
        want += breaks ? std::string("?") : std::string((const char *)p, n);
        taken += n;
    }
    REQUIRE(std::string(line + 24, length - 24 - 2) == want);
}

static void CheckErrorLine(PRErrorCode code)
{
    char line[kErrorLineSize];

    FormatErrorLine(code, line, sizeof line);
    REQUIRE(strstr(line, "(null)") == NULL);
    REQUIRE(line[0] == '[' && line[strlen(line) - 1] == ']');
}

// An ASCII Host is asked for as it is; any other is refused with a reason,
// or converted to an ASCII name that fits DNS (253 bytes and a final dot).
static void CheckAsciiName(const char *host)
{
    char ascii[kAsciiNameSize];
    const char *reason = "";
    bool isAscii = std::all_of(host, host + strlen(host), [](char c) { return (c & 0x80) == 0; });

    REQUIRE((NeedsAsciiName(host) == PR_FALSE) == isAscii);
    if (!isAscii && TakeAsciiName(host, ascii, sizeof ascii, &reason))
        REQUIRE(strlen(ascii) <= 254 && NeedsAsciiName(ascii) == PR_FALSE);
    else if (!isAscii)
        REQUIRE(reason[0] != '\0');
}

static void CheckRunParams(const std::vector<std::string> &parts)
{
    std::string args[6] = {"tool"};
    char *argv[6];
    RunParams params;

    for (int i = 1; i < 6; i++) {
        args[i] = i - 1 < (int)parts.size() ? parts[i - 1] : "";
        argv[i] = args[i].data();
    }
    argv[0] = args[0].data();
    bool fits = args[1].size() < kHostSize && args[4].size() < kPathSize &&
                args[5].size() < kPathSize;
    REQUIRE(TakeRunParams(argv, &params) == (fits ? PR_TRUE : PR_FALSE));
    if (fits) {
        REQUIRE(args[1] == params.Host && args[4] == params.DatFile && args[5] == params.LogDir);
        REQUIRE(params.Port == ArgToPort(args[2].c_str()));
        REQUIRE(params.LogLevel == ArgToLogLevel(args[3].c_str()));
        CheckAsciiName(params.Host);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    std::vector<std::string> parts;
    size_t start = 0;

    for (size_t i = 0; i <= text.size(); i++) {
        if (i == text.size() || text[i] == '\0') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    PRInt32 seed = 0;
    memcpy(&seed, data + 1, size - 1 < sizeof seed ? size - 1 : sizeof seed);

    switch (data[0] % 6) {
    case 0: CheckNumber(parts[0].c_str()); break;
    case 1: REQUIRE((IsTraceLogName(parts[0].c_str()) == PR_TRUE) == ModelIsLogName(parts[0])); break;
    case 2: CheckPath(parts[0], parts.size() > 1 ? parts[1] : ""); break;
    case 3: CheckLogLine(parts[0].c_str(), seed < 0 ? -(seed + 1) : seed); break;
    case 4: CheckErrorLine(seed); break;
    case 5: CheckRunParams(parts); break;
    }
    return 0;
}
