// The few things that differ between Windows and POSIX, one source file per
// platform (platform_posix.cpp, platform_win32.cpp): the path separator, the
// local time with milliseconds, the calling thread's id, and the file
// operations NSPR cannot make safely: opening the DAT file without waiting,
// appending a line to a log without following a link or opening what is no
// log, and deleting the very file the purge examined. Paths are UTF-8 text;
// on Windows each is handed to the system as UTF-16, never through a code
// page. Windows adds where DLLs come from and how arguments are taken.
#ifndef TRALVINEX_PLATFORM_PLATFORM_H
#define TRALVINEX_PLATFORM_PLATFORM_H

#include <prio.h>
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

// Opens the DAT file for writing, created when missing, neither truncated
// nor appended to, and never waits: only a regular file or a character
// device (/dev/null, NUL) is taken. NULL, with the NSPR error set, when it
// cannot be opened; PR_OPERATION_NOT_SUPPORTED_ERROR for a FIFO, socket or
// pipe, which cannot hold a record. A link at path is followed: the caller
// may mean it.
PRFileDesc *OpenDatFile(const char *path);

// Appends the line to the file name in dir, created when missing, in one
// write (on Windows one atomic append, as two machines sharing a folder
// need). Only a regular file with one link, in dir itself, is written to:
// the entry is judged before it is opened, a link in the last component is
// not followed and a FIFO or device is never opened. Anything else, and any
// failure, drops the line without a report.
void AppendToLogFile(const char *dir, const char *name, const char *line,
                     PRUint32 length);

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
// Windows through the one handle it was judged by, which must lead into dir
// itself. Links, folders, anything that cannot be examined and (Windows) any
// listed name holding a separator or ':' stay.
void DeleteCondemnedFiles(const char *dir, PurgeNameFilter wanted, PurgeVerdict condemned,
                          const void *rule);

#ifdef _WIN32
// Keeps any DLL put beside the .exe out of the process; called first in
// wmain().
void UseSystemDllsOnly(void);

// The caller's UTF-16 argument as UTF-8, exactly, whatever the code page,
// into out: 0, or PR_INVALID_ARGUMENT_ERROR for a lone surrogate, which no
// text holds, or PR_BUFFER_OVERFLOW_ERROR when it takes outSize bytes or more.
PRInt32 TakeArgument(const wchar_t *given, char *out, PRUint32 outSize);

// A number's text as atoi reads it, into out: white space, a sign, zeros and
// digits are the same in every code page, and once the leading zeros are
// gone, outSize - 2 digits decide the value as well as any more would.
void TakeNumberText(const wchar_t *given, char *out, PRUint32 outSize);
#endif

#endif
