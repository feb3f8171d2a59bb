#include "tracelog/log_path.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"

PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize)
{
    // PR_snprintf returns the length it wrote, which cannot tell a cut from
    // an exact fit, so the length is checked first.
    size_t length = strlen(dir) + 1 + strlen(name);

    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    if (length >= outSize)
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%c%s", dir, kPathSeparator, name);
    return PR_TRUE;
}

static size_t DecimalLength(PRInt32 value);

// One format per line: this runs for every line a run logs.
PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize)
{
    size_t length = strlen(logDir) + 1 + sizeof "Tralvinex" - 1 +
                    DecimalLength(threadId) + sizeof ".log" - 1;

    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    if (length >= outSize)
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%cTralvinex%d.log", logDir, kPathSeparator, threadId);
    return PR_TRUE;
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
