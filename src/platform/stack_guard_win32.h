// The stack protector's runtime on Windows (stack_guard_win32.cpp), which the
// compiler calls by itself; declared here for the tests that prove it.
#ifndef TRALVINEX_PLATFORM_STACK_GUARD_WIN32_H
#define TRALVINEX_PLATFORM_STACK_GUARD_WIN32_H

#include <stdint.h>

// The canary every protected function checks before it returns.
inline constexpr uintptr_t kUnseededStackGuard = 0x2B992DDFA232;

extern "C" {
// GCC's name for it, reserved as it must be.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern uintptr_t __stack_chk_guard;
// GCC's name for it, reserved as it must be.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
[[noreturn]] void __stack_chk_fail(void);
}

#endif
