# Cross-build for 64-bit Windows with Debian's mingw-w64 toolchain, against
# an NSPR cross-built into NSPR_WIN_PREFIX (scripts/windows/build_nspr.sh)
# and a libidn2 into IDN2_WIN_PREFIX (scripts/windows/build_idn2.sh).
# Tests run under Wine through scripts/windows/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TRALVINEX_MINGW x86_64-w64-mingw32)
# The posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${TRALVINEX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRALVINEX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TRALVINEX_MINGW}-windres)

get_filename_component(TRALVINEX_TOP "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(NOT NSPR_WIN_PREFIX)
  set(NSPR_WIN_PREFIX "${TRALVINEX_TOP}/build-win/nspr")
endif()
set(NSPR_WIN_PREFIX "${NSPR_WIN_PREFIX}" CACHE PATH "NSPR cross-built for Windows")
if(NOT IDN2_WIN_PREFIX)
  set(IDN2_WIN_PREFIX "${TRALVINEX_TOP}/build-win/idn2")
endif()
set(IDN2_WIN_PREFIX "${IDN2_WIN_PREFIX}" CACHE PATH "libidn2 cross-built for Windows")
# CMake reads this file again for its compiler checks, in projects of their
# own; without the prefix there, the default above would replace
# PKG_CONFIG_LIBDIR for the whole configure.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NSPR_WIN_PREFIX IDN2_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${TRALVINEX_MINGW} ${NSPR_WIN_PREFIX} ${IDN2_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the cross NSPR's nspr.pc, never the host's libnspr4-dev.
set(ENV{PKG_CONFIG_LIBDIR} "${NSPR_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# NSPR's headers for Windows expect the defines its own build uses; a
# strict C++ mode predefines only _WIN32.
set(CMAKE_C_FLAGS_INIT "-DWIN32 -D_AMD64_")
set(CMAKE_CXX_FLAGS_INIT "-DWIN32 -D_AMD64_")

# No libgcc, libstdc++ or winpthread DLLs to ship beside the .exe: only
# Windows' own DLLs (and nspr4.dll with -DTRALVINEX_STATIC_NSPR=OFF).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

set(CMAKE_CROSSCOMPILING_EMULATOR "${TRALVINEX_TOP}/scripts/windows/wine-run.sh")
