// Windows: how exactly a code page holds the caller's text, and where DLLs
// loaded by name come from.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/platform.h"

// The end-to-end cases refuse Łódź and a fullwidth quotation mark in 1252;
// these are the rows no argument under Wine reaches.
TEST(ArgumentText, IsExactOnlyWhenTheCodePageHoldsEveryCharacter)
{
    EXPECT_TRUE(HoldsExactly(L"\u8868\\", "\x95\x5c\\", 932));  // a trail byte 0x5C
    EXPECT_FALSE(HoldsExactly(L"a\xd800" L"b", "a\xef\xbf\xbd" "b", CP_UTF8));  // lone surrogate
}

// dll-mark.dll lies beside the tests: found there by name until DLLs come
// from the system folder alone, as WINMM's delayed load does.
TEST(Dlls, ComeFromTheSystemFolderOnly)
{
    HMODULE beside = LoadLibraryW(L"dll-mark.dll");

    ASSERT_NE(beside, nullptr);
    FreeLibrary(beside);
    UseSystemDllsOnly();
    EXPECT_EQ(LoadLibraryW(L"dll-mark.dll"), nullptr);
}
