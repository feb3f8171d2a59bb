// Windows: how the caller's UTF-16 text is taken, where DLLs
// loaded by name come from, whose id names the log, and the stack canary.
#include <string.h>
#include <unistd.h>
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include <prerr.h>

#include "platform/path_join.h"
#include "platform/platform.h"
#include "platform/stack_guard_win32.h"
#include "test_files.h"
#include "tracelog/trace_log.h"

// Arguments are UTF-8 inside, whatever the code page: a look-alike of a
// separator stays itself, only a lone surrogate is refused, and the limits
// count UTF-8 bytes.
TEST(ArgumentText, IsTakenAsUtf8Exactly)
{
    char out[kPathSize];

    EXPECT_EQ(TakeArgument(L"\u8868\uff3c\u2215\u00a5\\", out, sizeof out), 0);
    EXPECT_STREQ(out, "\xe8\xa1\xa8\xef\xbc\xbc\xe2\x88\x95\xc2\xa5\\");
    EXPECT_EQ(TakeArgument(L"a\xd800" L"b", out, sizeof out), PR_INVALID_ARGUMENT_ERROR);
    EXPECT_EQ(TakeArgument(std::wstring(129, L'\u00e9').c_str(), out, sizeof out), 0);
    EXPECT_EQ(TakeArgument(std::wstring(130, L'\u00e9').c_str(), out, sizeof out),
              PR_BUFFER_OVERFLOW_ERROR);
}

// Two or more separators alone begin a network path with no server: no
// folder. One alone is the current drive's root.
TEST(LogPath, SeparatorsAloneNameNoFolder)
{
    char out[kPathSize];

    for (const char *dir : {"\\\\", "//", "\\/", "/\\\\"})
        EXPECT_FALSE(JoinPath(dir, "Tralvinex1.log", out, sizeof out)) << dir;
    EXPECT_TRUE(JoinPath("\\", "Tralvinex1.log", out, sizeof out));
}

// The purge judges and deletes through one handle: a fresh log put in the
// old one's place between its look and its delete stays.
static PRBool OnlyTheLog(const char *name, const void *) { return strcmp(name, "Tralvinex1.log") == 0; }
static PRBool SwapThenCondemn(const LogFileFacts *, const void *rule)
{
    static bool swapped;
    const std::string &dir = *static_cast<const std::string *>(rule);

    if (swapped)
        return PR_FALSE;
    swapped = true;
    std::filesystem::rename(dir + "/Tralvinex1.log", dir + "/old.moved");
    WriteFileBytes(dir + "/Tralvinex1.log", "fresh");
    return PR_TRUE;
}

TEST(PurgeHandle, DeletesTheFileItJudgedNeverOneSwappedIn)
{
    TempDir dir;

    WriteFileBytes(dir / "Tralvinex1.log", "old");
    DeleteCondemnedFiles(dir.path.c_str(), OnlyTheLog, SwapThenCondemn, &dir.path);
    EXPECT_EQ(ReadFileBytes(dir / "Tralvinex1.log"), "fresh");
}

// Noted by the constructor that comes right after the seed's: 101 is the
// first priority a program may take, and every other one runs later.
static uintptr_t gCanaryAtStart;
__attribute__((constructor(102))) static void NoteCanaryAtStart(void)
{
    gCanaryAtStart = __stack_chk_guard;
}

// Protected as the tool's functions are: its array has a canary above it.
__attribute__((noipa)) static void Smash(size_t count)
{
    char buffer[8];

    memset(buffer, 'x', count);
    asm volatile("" : : "r"(buffer) : "memory");  // the store is kept
}

TEST(StackCanary, IsSeededBeforeConstructorsAndApartInEachProcess)
{
    int canary[2] = {0, 0};
    int *child = canary;
    auto note = [&child](int status) { *child++ = status; return true; };

    EXPECT_NE(gCanaryAtStart, kUnseededStackGuard);
    EXPECT_EQ(gCanaryAtStart, __stack_chk_guard);
    EXPECT_EXIT(_exit((int)__stack_chk_guard), note, "");
    EXPECT_EXIT(_exit((int)__stack_chk_guard), note, "");
    EXPECT_NE(canary[0], canary[1]);
}

TEST(StackCanary, ASmashedStackEndsTheProcessAtOnce)
{
    EXPECT_EXIT(Smash(64), testing::ExitedWithCode((int)STATUS_STACK_BUFFER_OVERRUN), "");
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
