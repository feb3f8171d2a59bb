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

PRBool BuildLogPath(const char *logDir, PRInt32 threadId, char *out, PRUint32 outSize)
{
    char name[kLogNameSize];

    PR_snprintf(name, sizeof name, "Tralvinex%d.log", threadId);
    return JoinPath(logDir, name, out, outSize);
}
