#include "tracelog/error_line.h"

#include <prprf.h>

#include "tracelog/trace_log.h"

void FormatErrorLine(PRErrorCode code, char *out, PRUint32 outSize)
{
    const char *name = PR_ErrorToName(code);
    const char *text = PR_ErrorToString(code, PR_LANGUAGE_EN);

    PR_snprintf(out, outSize, "[%d] [%s] [%s]", code, name != NULL ? name : kNoErrorName,
                text != NULL ? text : kNoErrorText);
}

void WriteErrorLine(const char *logDir, PRErrorCode code)
{
    char line[kErrorLineSize];

    FormatErrorLine(code, line, sizeof line);
    WriteLogLine(logDir, line);
}
