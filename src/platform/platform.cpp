#include "platform/platform.h"

#include <string.h>

#ifdef _WIN32
#include <stdint.h>
#include <windows.h>
#else
#include <time.h>
#include <unistd.h>
#endif

#ifdef _WIN32

// The runtime of the stack protector (-fstack-protector-strong, see
// cmake/windows-hardening.cmake), in place of GCC's libssp. libssp seeds its
// canary through CryptoAPI, which loads DLLs by name (cryptsp, rsaenh,
// crypt32) before main() keeps loads to the system folder, and it answers a
// smashed stack with an illegal instruction, which Windows may meet with a
// crash dialog. Here the canary is seeded as Visual C++ seeds its /GS cookie
// where the loader does not, from kernel32 alone, and a failed check ends
// the process at once with Visual C++'s status for it.
extern "C" {
// Until the seed below: any nonzero value.
uintptr_t __stack_chk_guard = 0x2B992DDFA232;
[[noreturn]] void __stack_chk_fail(void);
}

// Runs before main(), so before any protected function; it must not be one
// itself, as it changes the canary such a function checks on return.
__attribute__((constructor, no_stack_protector)) static void SeedStackGuard(void)
{
    FILETIME now;
    LARGE_INTEGER counter;
    ULONGLONG ticks = GetTickCount64();
    uintptr_t seed;

    GetSystemTimeAsFileTime(&now);
    (void)QueryPerformanceCounter(&counter);  // cannot fail from Windows XP on
    seed = (uintptr_t)now.dwHighDateTime << 32 | now.dwLowDateTime;
    seed ^= (uintptr_t)GetCurrentProcessId() << 32 | GetCurrentThreadId();
    seed ^= (uintptr_t)counter.QuadPart << 32 ^ (uintptr_t)counter.QuadPart;
    seed ^= (uintptr_t)ticks << 56 ^ (uintptr_t)ticks;
    seed ^= (uintptr_t)&seed;  // where ASLR put the stack
    if (seed != 0)
        __stack_chk_guard = seed;
}

void __stack_chk_fail(void)
{
    (void)TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();  // not reached: the process ends within the call
}

void GetLocalTimeMs(PRExplodedTime *now)
{
    SYSTEMTIME st;

    memset(now, 0, sizeof *now);
    GetLocalTime(&st);
    now->tm_year = (PRInt16)st.wYear;
    now->tm_month = st.wMonth - 1;
    now->tm_mday = st.wDay;
    now->tm_hour = st.wHour;
    now->tm_min = st.wMinute;
    now->tm_sec = st.wSecond;
    now->tm_usec = st.wMilliseconds * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)GetCurrentThreadId();
}

// msvcrt's split of the caller's wide command line, by the rules that split
// the narrow one into argv.
struct CrtStartupInfo {
    int newMode;
};
extern "C" int __cdecl __wgetmainargs(int *argc, wchar_t ***argv, wchar_t ***env,
                                      int expandWildcards, CrtStartupInfo *info);

// The longest command line Windows passes a process, in UTF-16 units, and
// the most bytes a code page it runs in takes for one unit (UTF-8: 3). Any
// argument, a number of any length included, converts within this.
static const int kCommandLineMax = 32767;
static const int kArgumentTextSize = 3 * kCommandLineMax + 1;

PRBool HoldsExactly(const wchar_t *given, const char *held, PRUint32 codePage)
{
    // Static: 96 KiB are better kept off the stack. Arguments are checked
    // once, on the thread that runs the tool.
    static char text[kArgumentTextSize];
    BOOL replaced = FALSE;
    // UTF-8 holds every character but a lone surrogate; it refuses the flag
    // and the report that catch replacements in other code pages.
    bool utf8 = codePage == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL *report = utf8 ? NULL : &replaced;
    int length = WideCharToMultiByte(codePage, flags, given, -1, text, (int)sizeof text,
                                     NULL, report);

    return (PRBool)(length > 0 && !replaced && strcmp(text, held) == 0);
}

PRBool ArgumentsAreExact(char *const *argv, int count)
{
    int wideCount;
    wchar_t **wide;
    wchar_t **environment;
    CrtStartupInfo info = {0};
    UINT codePage = GetACP();

    // Without wildcard expansion, as the C runtime made argv.
    if (__wgetmainargs(&wideCount, &wide, &environment, 0, &info) < 0 ||
        wideCount < count)
        return PR_FALSE;
    for (int i = 1; i < count; i++) {
        if (!HoldsExactly(wide[i], argv[i], codePage))
            return PR_FALSE;
    }
    return PR_TRUE;
}

// Windows looks for a DLL that is not one of its KnownDLLs in the .exe's
// folder first, so one planted there would run inside the tool. WINMM, the
// one such DLL the tool imports, is delay-loaded (CMakeLists.txt); from here
// on it and every other DLL loaded by name, NSPR's or Winsock's own, come
// from the system folder alone. Windows 7 has the call only with KB2533623;
// without it the usual search order stays.
void UseSystemDllsOnly(void)
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                   "SetDefaultDllDirectories");
    SetDefaultDllDirectoriesFn setDirectories;

    if (found == NULL)
        return;
    setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)(void)>(found));
    // It fails only for flags it does not know.
    (void)setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

#else

void GetLocalTimeMs(PRExplodedTime *now)
{
    struct timespec ts;
    struct tm local;

    memset(now, 0, sizeof *now);
    // Without a clock there is no honest time to show; the line keeps zeros.
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 ||
        localtime_r(&ts.tv_sec, &local) == NULL)
        return;
    now->tm_year = (PRInt16)(local.tm_year + 1900);
    now->tm_month = local.tm_mon;
    now->tm_mday = local.tm_mday;
    now->tm_hour = local.tm_hour;
    now->tm_min = local.tm_min;
    now->tm_sec = local.tm_sec;
    now->tm_usec = (PRInt32)(ts.tv_nsec / 1000000) * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)gettid();
}

// The arguments are the caller's bytes.
PRBool ArgumentsAreExact(char *const * /*argv*/, int /*count*/)
{
    return PR_TRUE;
}

void UseSystemDllsOnly(void)
{
}

#endif
