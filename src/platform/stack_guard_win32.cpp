// The runtime of the stack protector (-fstack-protector-strong, see
// cmake/windows-hardening.cmake), in place of GCC's libssp. libssp seeds its
// canary through CryptoAPI, which loads DLLs by name (cryptsp, rsaenh,
// crypt32) before wmain() keeps loads to the system folder, and it answers a
// smashed stack with an illegal instruction, which Windows may meet with a
// crash dialog. Here the canary is seeded as Visual C++ seeds its /GS cookie
// where the loader does not, from kernel32 alone, and a failed check ends
// the process at once with Visual C++'s status for it.
//
// This file is built without the protector (CMakeLists.txt): the seed
// changes the canary that a protected function would check on return.
#include "platform/stack_guard_win32.h"

#include <windows.h>

// Until the seed below: any nonzero value.
// GCC's name for it, reserved as it must be.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
uintptr_t __stack_chk_guard = kUnseededStackGuard;

// The first constructor, so that the canary is seeded before any other
// code of the program runs.
__attribute__((constructor(101))) static void SeedStackGuard(void)
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

// GCC's name for it, reserved as it must be.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
void __stack_chk_fail(void)
{
    (void)TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();  // not reached: the process ends within the call
}
