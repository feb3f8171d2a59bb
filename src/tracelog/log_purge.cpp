#include "tracelog/log_purge.h"

#include <string.h>

#include <prtime.h>

#include "platform/path_join.h"
#include "platform/platform.h"

static const char kLogNamePrefix[] = "TRALVINEX";
static const char kLogNameSuffix[] = ".LOG";
static const size_t kPrefixLength = sizeof kLogNamePrefix - 1;
static const size_t kSuffixLength = sizeof kLogNameSuffix - 1;

static PRBool MatchesUpper(const char *text, const char *upper, size_t count);
static PRBool Wanted(const char *name, const void *rule);
static PRBool Condemned(const LogFileFacts *facts, const void *rule);

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

PRBool IsCondemnedLog(const LogFileFacts *facts, PRTime now, PRInt32 maxAgeSeconds,
                      PRInt32 maxSizeBytes)
{
    PRInt64 sinceModified;

    // A date far in the past or the future would overflow the difference;
    // held at the nearest limit, the age is still as old or as new.
    if (__builtin_sub_overflow(now, facts->modifyTime, &sinceModified))
        sinceModified = facts->modifyTime < 0 ? PR_INT64_MAX : PR_INT64_MIN;
    return (PRBool)(sinceModified / PR_USEC_PER_SEC >= maxAgeSeconds ||
                    facts->size >= maxSizeBytes);
}

// What one purge deletes in dir: the log named onlyName, or every trace log.
struct PurgeRule {
    const char *dir;
    const char *onlyName;
    PRInt32 maxAgeSeconds;
    PRInt32 maxSizeBytes;
};

// Only what a path of 259 bytes can name, as on Windows, where a longer one
// cannot be opened: one LogDir means the same files on every platform.
static PRBool Wanted(const char *name, const void *rule)
{
    const PurgeRule *purge = static_cast<const PurgeRule *>(rule);
    char path[kPathSize];

    if (purge->onlyName != NULL ? strcmp(name, purge->onlyName) != 0
                                : !IsTraceLogName(name))
        return PR_FALSE;
    return JoinPath(purge->dir, name, path, sizeof path);
}

static PRBool Condemned(const LogFileFacts *facts, const void *rule)
{
    const PurgeRule *limits = static_cast<const PurgeRule *>(rule);

    return IsCondemnedLog(facts, PR_Now(), limits->maxAgeSeconds, limits->maxSizeBytes);
}

void PurgeLogFile(const char *dir, const char *name, PRInt32 maxAgeSeconds,
                  PRInt32 maxSizeBytes)
{
    PurgeRule rule = {dir, name, maxAgeSeconds, maxSizeBytes};

    DeleteCondemnedFiles(dir, Wanted, Condemned, &rule);
}

void PurgeLogs(const char *logDir)
{
    PurgeRule rule = {logDir, NULL, kLogMaxAgeSeconds, kLogMaxSizeBytes};

    if (!NamesFolder(logDir))
        return;  // opened, "" would be the root
    DeleteCondemnedFiles(logDir, Wanted, Condemned, &rule);
}
