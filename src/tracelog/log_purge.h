// Deletion of trace logs that are stale or have grown too large.
#ifndef TRALVINEX_TRACELOG_LOG_PURGE_H
#define TRALVINEX_TRACELOG_LOG_PURGE_H

#include <prtypes.h>

inline constexpr PRInt32 kLogMaxAgeSeconds = 86400;
inline constexpr PRInt32 kLogMaxSizeBytes = 10240;

// True for names that begin with "TRALVINEX" and end in ".LOG", compared
// without regard to ASCII case.
PRBool IsTraceLogName(const char *name);

// Deletes dir<sep>name when it was last modified maxAgeSeconds or more ago,
// or holds maxSizeBytes or more. A file that cannot be examined stays.
void PurgeLogFile(const char *dir, const char *name, PRInt32 maxAgeSeconds,
                  PRInt32 maxSizeBytes);

// Applies PurgeLogFile with the limits above to every trace log in logDir;
// a logDir of "" names no folder and has none.
void PurgeLogs(const char *logDir);

#endif
