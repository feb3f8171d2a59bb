// One run of the tool: take the arguments, start NSPR, purge old logs,
// resolve the host, write its address record, shut NSPR down.
#ifndef TRALVINEX_LOOKUP_RUN_LOOKUP_H
#define TRALVINEX_LOOKUP_RUN_LOOKUP_H

#include <prtypes.h>

inline constexpr PRInt32 kExitSuccess = 0;
inline constexpr PRInt32 kExitTooFewArgs = -1;

// Returns the exit status: kExitSuccess, kExitTooFewArgs,
// PR_BUFFER_OVERFLOW_ERROR for a text argument longer than 259 bytes, or the
// NSPR error code of the step that failed. (Windows' entry refuses first
// an argument that is no text, a lone surrogate, with
// PR_INVALID_ARGUMENT_ERROR.)
PRInt32 RunLookup(int argc, char **argv);

#endif
