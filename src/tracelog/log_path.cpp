#include "tracelog/log_path.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"

static const char kSeparator[] = {kPathSeparator, '\0'};

static const char *SeparatorAfter(const char *dir);
static PRBool Fits(const char *dir, size_t tailLength, char *out, PRUint32 outSize);
static size_t DecimalLength(PRInt32 value);

PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize)
{
    const char *separator = SeparatorAfter(dir);

    if (!Fits(dir, strlen(separator) + strlen(name), out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%s%s", dir, separator, name);
    return PR_TRUE;
}

// One format per line: this runs for every line a run logs.
PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize)
{
    const char *separator = SeparatorAfter(logDir);
    // "Tralvinex" and ".log" around the id
    size_t nameLength = sizeof "Tralvinex.log" - 1 + DecimalLength(threadId);

    if (!Fits(logDir, strlen(separator) + nameLength, out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%sTralvinex%d.log", logDir, separator, threadId);
    return PR_TRUE;
}

// A dir of one separator alone is the root (on Windows, of the current
// drive): a second one would make "\\name", a path to a server of that name.
static const char *SeparatorAfter(const char *dir)
{
    return IsPathSeparator(dir[0]) && dir[1] == '\0' ? "" : kSeparator;
}

// Whether dir and a tail of tailLength bytes make a path. PR_snprintf
// returns the length it wrote, which cannot tell a cut from an exact fit, so
// the length is checked before the path is formatted. A dir of "" names no
// folder: joined, it would name the root. A refused path leaves out empty.
static PRBool Fits(const char *dir, size_t tailLength, char *out, PRUint32 outSize)
{
    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    return (PRBool)(dir[0] != '\0' && strlen(dir) + tailLength < outSize);
}

static size_t DecimalLength(PRInt32 value)
{
    PRInt64 rest = value;
    size_t length = 1;

    if (rest < 0) {
        length++;
        rest = -rest;
    }
    while (rest >= 10) {
        rest /= 10;
        length++;
    }
    return length;
}
