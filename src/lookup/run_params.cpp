#include "lookup/run_params.h"

#include <stdlib.h>
#include <string.h>

static PRBool CopyArg(const char *arg, char *out, PRUint32 outSize);

PRInt32 ArgToInt32(const char *text)
{
    // strtoll saturates at 64 bits; the narrower 32-bit limits apply here.
    long long value = strtoll(text, NULL, 10);

    if (value > PR_INT32_MAX)
        return PR_INT32_MAX;
    if (value < PR_INT32_MIN)
        return PR_INT32_MIN;
    return (PRInt32)value;
}

PRUint16 ArgToPort(const char *text)
{
    return (PRUint16)((PRUint32)ArgToInt32(text) & 0xFFFFu);
}

PRInt16 ArgToLogLevel(const char *text)
{
    return (PRInt16)ArgToPort(text);
}

PRBool TakeRunParams(char *const *argv, RunParams *params)
{
    RunParams taken;

    if (!CopyArg(argv[1], taken.Host, sizeof taken.Host) ||
        !CopyArg(argv[4], taken.DatFile, sizeof taken.DatFile) ||
        !CopyArg(argv[5], taken.LogDir, sizeof taken.LogDir))
        return PR_FALSE;
    taken.Port = ArgToPort(argv[2]);
    taken.LogLevel = ArgToLogLevel(argv[3]);
    *params = taken;
    return PR_TRUE;
}

static PRBool CopyArg(const char *arg, char *out, PRUint32 outSize)
{
    size_t length = strlen(arg);

    if (length >= outSize)
        return PR_FALSE;
    memcpy(out, arg, length + 1);
    return PR_TRUE;
}
