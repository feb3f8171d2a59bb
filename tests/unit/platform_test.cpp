// Windows: how exactly a code page holds the caller's text, where DLLs
// loaded by name come from, and whose id names the log.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "test_files.h"
#include "tracelog/trace_log.h"

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

// On Windows a thread id is no process id: the log must carry the former.
TEST(ThreadId, NamesTheLogOfTheThreadThatWrites)
{
    TempDir dir;

    WriteLogLine(dir.path.c_str(), "x");
    std::string name = "Tralvinex" + std::to_string(GetCurrentThreadId()) + ".log";
    EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
}
