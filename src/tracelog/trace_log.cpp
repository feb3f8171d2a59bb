#include "tracelog/trace_log.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"
#include "tracelog/log_path.h"

static const char kLineEnd[] = "\r\n";
static const PRUint32 kLineEndLength = sizeof kLineEnd - 1;

PRUint32 FormatLogLine(const PRExplodedTime *when, const char *text, char *out,
                       PRUint32 outSize)
{
    PRUint32 length;
    size_t textLength = strlen(text);

    if (outSize < kLineEndLength + 1) {
        if (outSize > 0)
            out[0] = '\0';
        return 0;
    }
    length = PR_snprintf(out, outSize - kLineEndLength,
                         "%02d/%02d/%04d %02d:%02d:%02d.%03d\t", when->tm_month + 1,
                         when->tm_mday, when->tm_year, when->tm_hour, when->tm_min,
                         when->tm_sec, when->tm_usec / 1000);
    if (textLength > outSize - kLineEndLength - 1 - length)
        textLength = outSize - kLineEndLength - 1 - length;
    // No text may end a line or begin another: a control character shows as
    // "?", which no host name or Windows path holds.
    for (size_t i = 0; i < textLength; i++) {
        unsigned char c = (unsigned char)text[i];

        out[length++] = c < 0x20 || c == 0x7F ? '?' : (char)c;
    }
    memcpy(out + length, kLineEnd, kLineEndLength + 1);
    return length + kLineEndLength;
}

void WriteLogLine(const char *logDir, const char *text)
{
    PRExplodedTime now;
    char path[kPathSize];
    char line[kLogLineSize];
    PRUint32 length;

    GetLocalTimeMs(&now);
    if (!BuildLogPath(logDir, GetThreadId(), path, sizeof path))
        return;
    length = FormatLogLine(&now, text, line, sizeof line);
    // One append per line, so that lines of runs sharing a file never mix
    // and a failed write loses the whole line, not a piece of it.
    AppendToLogFile(path, line, length);
}
