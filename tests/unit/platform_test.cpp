// Windows: how exactly a code page holds the caller's text, and where the
// delay-loaded WINMM comes from.
#include <windows.h>

#include <gtest/gtest.h>
#include <prinrval.h>

#include "platform/platform.h"

TEST(ArgumentText, IsExactOnlyWhenTheCodePageHoldsEveryCharacter)
{
    const struct {
        const wchar_t *given;
        const char *held;
        PRUint32 codePage;
        bool exact;
    } cases[] = {
        {L"\u00e9t\u00e9", "\xe9t\xe9", 1252, true},
        {L"\u0141\u00f3d\u017a", "L\xf3" "dz", 1252, false},  // "best fit"
        {L"\uff02a\uff02", "\"a\"", 1252, false},
        {L"\u041f", "?", 1252, false},
        {L"\u8868\\", "\x95\x5c\\", 932, true},  // a trail byte that is a backslash
        {L"\u0141 \U0001F600", "\xc5\x81 \xf0\x9f\x98\x80", CP_UTF8, true},
        {L"a\xd800" L"b", "a\xef\xbf\xbd" "b", CP_UTF8, false},  // a lone surrogate
    };
    for (const auto &c : cases)
        EXPECT_EQ(HoldsExactly(c.given, c.held, c.codePage), c.exact ? PR_TRUE : PR_FALSE)
            << "code page " << c.codePage << ", text " << c.held;
}

// The tests run with a WINMM.dll of their own beside them (CMakeLists.txt).
TEST(DelayLoad, TakesWinmmFromTheSystemFolderOnly)
{
    wchar_t system[MAX_PATH];
    wchar_t loaded[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);

    UseSystemDllsOnly();
    (void)PR_IntervalNow();  // NSPR's one call into WINMM
    ASSERT_NE(GetModuleFileNameW(GetModuleHandleW(L"winmm.dll"), loaded, MAX_PATH), 0u);
    EXPECT_EQ(_wcsnicmp(loaded, system, length), 0);
    EXPECT_EQ(loaded[length], L'\\');
}
