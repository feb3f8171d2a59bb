#include "tracelog/trace_log.h"

#include <string.h>

#include <prprf.h>

#include "platform/platform.h"

static const char kLineEnd[] = "\r\n";
static const PRUint32 kLineEndLength = sizeof kLineEnd - 1;
// "Tralvinex", a signed 32-bit id, ".log" and the terminator.
static const PRUint32 kLogNameSize = 32;

static size_t CharacterLength(const unsigned char *text, size_t left);
static PRBool BreaksLines(const unsigned char *character, size_t length);

PRUint32 FormatLogLine(const PRExplodedTime *when, const char *text, char *out,
                       PRUint32 outSize)
{
    PRUint32 length;
    PRUint32 room;
    size_t textLength = strlen(text);
    size_t step;

    if (outSize < kLineEndLength + 1) {
        if (outSize > 0)
            out[0] = '\0';
        return 0;
    }
    length = PR_snprintf(out, outSize - kLineEndLength,
                         "%02d/%02d/%04d %02d:%02d:%02d.%03d\t", when->tm_month + 1,
                         when->tm_mday, when->tm_year, when->tm_hour, when->tm_min,
                         when->tm_sec, when->tm_usec / 1000);
    room = outSize - kLineEndLength - 1;
    // No text may end a line or begin another, in any script: a control
    // character or a line or paragraph separator shows as "?", which no
    // host name or Windows path holds. A cut never splits a character.
    for (size_t i = 0; i < textLength; i += step) {
        const unsigned char *at = (const unsigned char *)text + i;

        step = CharacterLength(at, textLength - i);
        if (step == 0)
            step = 1;  // no UTF-8 (Latin-1 on Linux, say): byte by byte
        if (length + step > room)
            break;
        if (BreaksLines(at, step)) {
            out[length++] = '?';
        } else {
            memcpy(out + length, at, step);
            length += (PRUint32)step;
        }
    }
    memcpy(out + length, kLineEnd, kLineEndLength + 1);
    return length + kLineEndLength;
}

// The length of the well-formed UTF-8 character text begins with, within
// left bytes; 0 when it begins none. The second byte's range rules out
// overlong forms, surrogates and code points past U+10FFFF.
static size_t CharacterLength(const unsigned char *text, size_t left)
{
    unsigned char lead = text[0];
    size_t length = lead < 0xC2   ? 0
                    : lead < 0xE0 ? 2
                    : lead < 0xF0 ? 3
                    : lead < 0xF5 ? 4
                                  : 0;
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;

    if (length == 0 || length > left || text[1] < low || text[1] > high)
        return 0;
    for (size_t i = 2; i < length; i++) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// C0 controls and DEL; the C1 controls U+0080 to U+009F (NEL among them),
// and a lone byte 0x80 to 0x9F, which a Latin-1 reader takes for one; LINE
// SEPARATOR U+2028 and PARAGRAPH SEPARATOR U+2029.
static PRBool BreaksLines(const unsigned char *character, size_t length)
{
    unsigned char c = character[0];

    if (length == 1)
        return (PRBool)(c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F));
    if (length == 2)
        return (PRBool)(c == 0xC2 && character[1] <= 0x9F);
    return (PRBool)(length == 3 && c == 0xE2 && character[1] == 0x80 &&
                    (character[2] == 0xA8 || character[2] == 0xA9));
}

void WriteLogLine(const char *logDir, const char *text)
{
    PRExplodedTime now;
    char name[kLogNameSize];
    char line[kLogLineSize];
    PRUint32 length;

    GetLocalTimeMs(&now);
    PR_snprintf(name, sizeof name, "Tralvinex%d.log", GetThreadId());
    length = FormatLogLine(&now, text, line, sizeof line);
    // One append per line, so that lines of runs sharing a file never mix
    // and a failed write loses the whole line, not a piece of it.
    AppendToLogFile(logDir, name, line, length);
}
