// The few things that differ between Windows and POSIX, one source file per
// platform (platform_posix.cpp, platform_win32.cpp): the path separator, the
// local time with milliseconds, the calling thread's id, and the two file
// operations NSPR cannot make safely: appending a line to a log without
// following a link or waiting on a FIFO, and deleting the very file the
// purge examined. Windows adds where DLLs come from.
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

inline PRBool IsPathSeparator(char c)
{
#ifdef _WIN32
    return (PRBool)(c == '\\' || c == '/');
#else
    return (PRBool)(c == '/');
#endif
}

// Mode for new DAT and log files; the umask applies. Later runs of the same
// user must be able to open them again.
inline constexpr PRIntn kNewFileMode = 0666;

// Fills tm_year (full year), tm_month (0-11), tm_mday, tm_hour, tm_min,
// tm_sec and tm_usec (whole milliseconds times 1000) with the local time.
void GetLocalTimeMs(PRExplodedTime *now);

// The numeric id of the calling thread; it names the thread's log file.
PRInt32 GetThreadId(void);

// Appends the line to the file at path, created when missing, in one write
// (on Windows one atomic append, as two machines sharing a folder need).
// Only a regular file with one link is written to: a link in the last
// component is not followed and a FIFO is not waited on. Anything else, and
// any failure, drops the line without a report.
void AppendToLogFile(const char *path, const char *line, PRUint32 length);

// What the purge judges a log by.
struct LogFileFacts {
    PRInt64 size;
    PRTime modifyTime;
};

typedef PRBool (*PurgeNameFilter)(const char *name, const void *rule);
typedef PRBool (*PurgeVerdict)(const LogFileFacts *facts, const void *rule);

// Deletes each regular file in dir whose name wanted takes and that
// condemned condemns. An entry is examined without following a link and
// deleted as examined: on POSIX through the folder that was listed, on
// Windows through the one handle it was judged by. Links, folders and
// anything that cannot be examined stay.
void DeleteCondemnedFiles(const char *dir, PurgeNameFilter wanted, PurgeVerdict condemned,
                          const void *rule);

#ifdef _WIN32
// Keeps any DLL put beside the .exe out of the process; called first in
// wmain().
void UseSystemDllsOnly(void);

// The caller's UTF-16 argument in codePage (the active one), into out: 0,
// or PR_INVALID_ARGUMENT_ERROR when the code page lacks a character or
// would change one into a look-alike (in UTF-8: a lone surrogate), or
// PR_BUFFER_OVERFLOW_ERROR when it takes outSize bytes or more.
PRInt32 TakeArgument(const wchar_t *given, PRUint32 codePage, char *out,
                     PRUint32 outSize);

// A number's text as atoi reads it, into out: white space, a sign, zeros and
// digits are the same in every code page, and once the leading zeros are
// gone, outSize - 2 digits decide the value as well as any more would.
void TakeNumberText(const wchar_t *given, char *out, PRUint32 outSize);
#endif

#endif
