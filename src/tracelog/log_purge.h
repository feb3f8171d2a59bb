// Deletion of trace logs that are stale or have grown too large.
#ifndef TRALVINEX_TRACELOG_LOG_PURGE_H
#define TRALVINEX_TRACELOG_LOG_PURGE_H

#include <prtime.h>
#include <prtypes.h>

#include "platform/platform.h"

inline constexpr PRInt32 kLogMaxAgeSeconds = 86400;
inline constexpr PRInt32 kLogMaxSizeBytes = 10240;

// True for names that begin with "TRALVINEX" and end in ".LOG", compared
// without regard to ASCII case.
PRBool IsTraceLogName(const char *name);

// Whether a log with these facts is condemned at time now: last modified
// maxAgeSeconds or more whole seconds before it, or holding maxSizeBytes or
// more. Any date is judged, however far from now.
PRBool IsCondemnedLog(const LogFileFacts *facts, PRTime now, PRInt32 maxAgeSeconds,
                      PRInt32 maxSizeBytes);

// Deletes the regular file dir<sep>name when IsCondemnedLog condemns it. A
// link, a folder or a file that cannot be examined stays.
void PurgeLogFile(const char *dir, const char *name, PRInt32 maxAgeSeconds,
                  PRInt32 maxSizeBytes);

// Applies PurgeLogFile with the limits above to every trace log in logDir;
// a logDir of "" names no folder and has none.
void PurgeLogs(const char *logDir);

#endif
