#include "tracelog/log_purge.h"

#include <string.h>

#include <prio.h>
#include <prtime.h>

#include "platform/platform.h"
#include "tracelog/log_path.h"

static const char kLogNamePrefix[] = "TRALVINEX";
static const char kLogNameSuffix[] = ".LOG";
static const size_t kPrefixLength = sizeof kLogNamePrefix - 1;
static const size_t kSuffixLength = sizeof kLogNameSuffix - 1;

static PRBool MatchesUpper(const char *text, const char *upper, size_t count);

PRBool IsTraceLogName(const char *name)
{
    size_t length = strlen(name);

    // Shorter names cannot hold both ends; the suffix test would read before
    // the name.
    if (length < kPrefixLength + kSuffixLength)
        return PR_FALSE;
    return (PRBool)(MatchesUpper(name, kLogNamePrefix, kPrefixLength) &&
                    MatchesUpper(name + length - kSuffixLength, kLogNameSuffix,
                                 kSuffixLength));
}

// Only a to z are folded: names are bytes in any code page, and no other
// byte may ever compare equal to the ASCII prefix or suffix.
static PRBool MatchesUpper(const char *text, const char *upper, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        char c = text[i];

        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
        if (c != upper[i])
            return PR_FALSE;
    }
    return PR_TRUE;
}

void PurgeLogFile(const char *dir, const char *name, PRInt32 maxAgeSeconds,
                  PRInt32 maxSizeBytes)
{
    char path[kPathSize];
    PRFileInfo64 info;
    PRInt64 ageSeconds;

    if (!JoinPath(dir, name, path, sizeof path))
        return;
    // The 64-bit size: a 32-bit one wraps for a log past 2 GiB, which would
    // then be kept however large it is.
    if (PR_GetFileInfo64(path, &info) != PR_SUCCESS)
        return;
    ageSeconds = (PR_Now() - info.modifyTime) / PR_USEC_PER_SEC;
    if (ageSeconds >= maxAgeSeconds || info.size >= maxSizeBytes)
        (void)PR_Delete(path);  // another run may have deleted it first
}

void PurgeLogs(const char *logDir)
{
    PRDir *dir;
    PRDirEntry *entry;

    if (logDir[0] == '\0')
        return;  // names no folder; opened, it would be the root
    dir = PR_OpenDir(logDir);
    if (dir == NULL)
        return;  // no directory, no logs to purge
    while ((entry = PR_ReadDir(dir, PR_SKIP_BOTH)) != NULL) {
        if (IsTraceLogName(entry->name))
            PurgeLogFile(logDir, entry->name, kLogMaxAgeSeconds, kLogMaxSizeBytes);
    }
    (void)PR_CloseDir(dir);
}
