# The hardening of all the code linked into the Windows .exe: the tool's own
# and the NSPR cross-built for it. CMakeLists.txt includes this file;
# scripts/windows/build_nspr.sh runs it ("cmake -P") to print the flags, so
# that both are built with the same ones.
#
# -fstack-protector-strong: a canary in every function with an array or an
# address-taken local, checked on return. The canary and the handler of a
# failed check are the tool's own (src/platform/stack_guard_win32.cpp): the flag goes
# to the compiler only, since at link time it would bring in GCC's libssp.
set(TRALVINEX_WINDOWS_HARDENING -fstack-protector-strong)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  list(JOIN TRALVINEX_WINDOWS_HARDENING " " flags)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${flags}")
endif()
