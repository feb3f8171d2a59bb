// How the steps of a run report progress and failures: log lines behind the
// log level gate, and the NSPR error code that a failed call leaves.
#ifndef TRALVINEX_LOOKUP_RUN_REPORT_H
#define TRALVINEX_LOOKUP_RUN_REPORT_H

#include <prerror.h>

#include "lookup/run_params.h"

// Writes text to the trace log when the run's log level asks for it.
void LogMessage(const RunParams *params, const char *text);

// Formats a message (up to 511 bytes, cut before a UTF-8 character the cut
// would split) and writes it as LogMessage does. format is the program's
// own, never argument text.
void LogFormatted(const RunParams *params, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// Writes the error line for code when the run's log level asks for it.
void LogError(const RunParams *params, PRErrorCode code);

// Called right before an NSPR call whose failure is checked, so that the
// code read after it belongs to that call and not to an earlier one.
void ClearFailureCode(void);

// The code the failed call left; PR_UNKNOWN_ERROR when it left none, so
// that a failure never reads as success.
PRErrorCode TakeFailureCode(void);

#endif
