// Timestamped lines appended to the calling thread's log file.
#ifndef TRALVINEX_TRACELOG_TRACE_LOG_H
#define TRALVINEX_TRACELOG_TRACE_LOG_H

#include <prtime.h>
#include <prtypes.h>

inline constexpr PRUint32 kStampSize = 128;
// The longest message a line carries (an error line's 1023 characters) and
// its terminator; a longer text is cut there.
inline constexpr PRUint32 kLogTextSize = 1024;
// Timestamp with its tab, message, CR LF and terminator.
inline constexpr PRUint32 kLogLineSize = kStampSize + kLogTextSize + 2;

// Formats the whole line "MM/DD/YYYY hh:mm:ss.mmm<TAB>text<CR><LF>" into
// out and returns its length. The line always ends in CR LF.
PRUint32 FormatLogLine(const PRExplodedTime *when, const char *text, char *out,
                       PRUint32 outSize);

// Appends one line for text to the calling thread's log in logDir. A line
// that cannot be written (a logDir of "" included) is dropped without a
// report: the log never stops or changes a run.
void WriteLogLine(const char *logDir, const char *text);

#endif
