#include "tracelog/log_path.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"

static PRBool Fits(size_t length, char *out, PRUint32 outSize);
static size_t DecimalLength(PRInt32 value);

PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize)
{
    if (!Fits(strlen(dir) + 1 + strlen(name), out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%c%s", dir, kPathSeparator, name);
    return PR_TRUE;
}

// One format per line: this runs for every line a run logs.
PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize)
{
    size_t length = strlen(logDir) + 1 + sizeof "Tralvinex" - 1 +
                    DecimalLength(threadId) + sizeof ".log" - 1;

    if (!Fits(length, out, outSize))
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%cTralvinex%d.log", logDir, kPathSeparator, threadId);
    return PR_TRUE;
}

// PR_snprintf returns the length it wrote, which cannot tell a cut from an
// exact fit, so a path's length is checked before it is formatted. A path
// that does not fit leaves out empty.
static PRBool Fits(size_t length, char *out, PRUint32 outSize)
{
    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    return (PRBool)(length < outSize);
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
