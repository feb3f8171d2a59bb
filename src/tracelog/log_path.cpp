#include "tracelog/log_path.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"

static PRBool Fits(const char *dir, size_t nameLength, char *out, PRUint32 outSize);
static size_t DecimalLength(PRInt32 value);

PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize)
{
    if (!Fits(dir, strlen(name), out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%c%s", dir, kPathSeparator, name);
    return PR_TRUE;
}

// One format per line: this runs for every line a run logs.
PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize)
{
    // "Tralvinex" and ".log" around the id
    size_t nameLength = sizeof "Tralvinex.log" - 1 + DecimalLength(threadId);

    if (!Fits(logDir, nameLength, out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%cTralvinex%d.log", logDir, kPathSeparator, threadId);
    return PR_TRUE;
}

// Whether dir, a separator and a name of nameLength bytes make a path.
// PR_snprintf returns the length it wrote, which cannot tell a cut from an
// exact fit, so the length is checked before the path is formatted. A dir of
// "" names no folder: joined, it would name the root. A refused path leaves
// out empty.
static PRBool Fits(const char *dir, size_t nameLength, char *out, PRUint32 outSize)
{
    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    return (PRBool)(dir[0] != '\0' && strlen(dir) + 1 + nameLength < outSize);
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
