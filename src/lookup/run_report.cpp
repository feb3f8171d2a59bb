#include "lookup/run_report.h"

#include <stdarg.h>

#include <prerr.h>
#include <prprf.h>

#include "tracelog/error_line.h"
#include "tracelog/trace_log.h"

static const PRUint32 kMessageSize = 512;

static void DropSplitCharacter(char *text, PRUint32 length);

void LogMessage(const RunParams *params, const char *text)
{
    if (LoggingOn(params))
        WriteLogLine(params->LogDir, text);
}

// NSPR's own formatting takes a va_list; the format attribute has the
// compiler check each call's arguments against its format.
// NOLINTNEXTLINE(cert-dcl50-cpp)
void LogFormatted(const RunParams *params, const char *format, ...)
{
    char message[kMessageSize];
    va_list args;
    PRUint32 length;

    if (!LoggingOn(params))
        return;
    va_start(args, format);
    length = PR_vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (length == sizeof message - 1)
        DropSplitCharacter(message, length);  // a cut, or an exact fit
    WriteLogLine(params->LogDir, message);
}

// A strict UTF-8 reader refuses a line that ends inside a character.
static void DropSplitCharacter(char *text, PRUint32 length)
{
    PRUint32 lead = length;
    PRUint8 first;
    PRUint32 needed;

    while (lead > 0 && length - lead < 3 && ((PRUint8)text[lead - 1] & 0xC0) == 0x80)
        lead--;
    if (lead == 0)
        return;
    first = (PRUint8)text[lead - 1];
    needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
    if (length - (lead - 1) < needed)
        text[lead - 1] = '\0';
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
