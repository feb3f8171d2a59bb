// The log line that names an NSPR error: "[code] [name] [English text]".
#ifndef TRALVINEX_TRACELOG_ERROR_LINE_H
#define TRALVINEX_TRACELOG_ERROR_LINE_H

#include <prerror.h>
#include <prtypes.h>

inline constexpr PRUint32 kErrorLineSize = 1024;

// Shown where NSPR has no name or text for a code (unknown codes, or any
// code before NSPR has installed its error table).
inline constexpr char kNoErrorName[] = "UNKNOWN_ERROR_NAME";
inline constexpr char kNoErrorText[] = "No description available";

void FormatErrorLine(PRErrorCode code, char *out, PRUint32 outSize);

// Appends the error line for code to the calling thread's log in logDir.
void WriteErrorLine(const char *logDir, PRErrorCode code);

#endif
