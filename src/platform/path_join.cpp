#include "platform/path_join.h"

#include <string.h>

#include <prprf.h>

static const char kSeparator[] = {kPathSeparator, '\0'};

PRBool NamesFolder(const char *dir)
{
    size_t length = strlen(dir);

#ifdef _WIN32
    if (length >= 2 && strspn(dir, "\\/") == length)
        return PR_FALSE;
#endif
    return (PRBool)(length > 0);
}

// PR_snprintf returns the length it wrote, which cannot tell a cut from an
// exact fit, so the length is checked before the path is formatted. No
// second separator: "\\?\D:\logs\\name" is no valid path, and after "\"
// alone it would make "\\name", a path to a server of that name.
PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize)
{
    size_t dirLength = strlen(dir);
    const char *separator = dirLength > 0 && IsPathSeparator(dir[dirLength - 1])
                                ? ""
                                : kSeparator;

    if (outSize == 0)
        return PR_FALSE;
    out[0] = '\0';
    if (!NamesFolder(dir) || dirLength + strlen(separator) + strlen(name) >= outSize)
        return PR_FALSE;
    PR_snprintf(out, outSize, "%s%s%s", dir, separator, name);
    return PR_TRUE;
}
