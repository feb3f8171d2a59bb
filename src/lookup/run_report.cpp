#include "lookup/run_report.h"

#include <prerr.h>

#include "tracelog/error_line.h"
#include "tracelog/trace_log.h"

void LogMessage(const RunParams *params, const char *text)
{
    if (LoggingOn(params))
        WriteLogLine(params->LogDir, text);
}

void LogError(const RunParams *params, PRErrorCode code)
{
    if (LoggingOn(params))
        WriteErrorLine(params->LogDir, code);
}

void ClearFailureCode(void)
{
    PR_SetError(0, 0);
}

PRErrorCode TakeFailureCode(void)
{
    PRErrorCode code = PR_GetError();

    return code != 0 ? code : (PRErrorCode)PR_UNKNOWN_ERROR;
}
