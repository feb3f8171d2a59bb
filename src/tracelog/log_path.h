// Paths inside the log directory. A path that does not fit is refused, never
// cut: a cut path names another file. So is any path in a directory of "",
// which names no folder.
#ifndef TRALVINEX_TRACELOG_LOG_PATH_H
#define TRALVINEX_TRACELOG_LOG_PATH_H

#include <prtypes.h>

// Writes dir, one separator (none after a dir that is one separator alone,
// the root) and name into out. PR_FALSE, with out empty,
// when the whole path does not fit in outSize bytes with its terminator.
PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize);

// The log file of thread threadId in logDir: "<logDir><sep>Tralvinex<id>.log".
PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize);

#endif
