// The few things that differ between Windows and POSIX: the path separator,
// the local time with milliseconds, the calling thread's id, how exactly the
// arguments arrive, and where DLLs come from. On Windows, platform.cpp also
// holds the stack protector's runtime, which the compiler calls by itself.
#ifndef TRALVINEX_PLATFORM_PLATFORM_H
#define TRALVINEX_PLATFORM_PLATFORM_H

#include <prtime.h>
#include <prtypes.h>

// Paths are held to Windows' MAX_PATH everywhere, so one set of arguments
// means the same files on every platform.
inline constexpr PRUint32 kPathSize = 260;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Mode for new DAT and log files; the umask applies. Later runs of the same
// user must be able to open them again.
inline constexpr PRIntn kNewFileMode = 0666;

// Fills tm_year (full year), tm_month (0-11), tm_mday, tm_hour, tm_min,
// tm_sec and tm_usec (whole milliseconds times 1000) with the local time.
void GetLocalTimeMs(PRExplodedTime *now);

// The numeric id of the calling thread; it names the thread's log file.
PRInt32 GetThreadId(void);

// PR_TRUE when argv[1] to argv[count - 1] hold exactly the text the caller
// passed. A Windows caller passes wide text, which argv holds in the active
// code page: one that lacks a character puts "?" or a look-alike in its
// place, and a look-alike of a quotation mark splits the arguments anew.
// POSIX arguments are bytes and arrive as they were given.
PRBool ArgumentsAreExact(char *const *argv, int count);

// Keeps any DLL put beside the .exe out of the process; called first in
// main(). Nothing to do on POSIX.
void UseSystemDllsOnly(void);

#ifdef _WIN32
// PR_TRUE when held is given in codePage with no character replaced or
// mapped to a look-alike.
PRBool HoldsExactly(const wchar_t *given, const char *held, PRUint32 codePage);
#endif

#endif
