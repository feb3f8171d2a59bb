// The five run parameters and how they are taken from the command line.
#ifndef TRALVINEX_LOOKUP_RUN_PARAMS_H
#define TRALVINEX_LOOKUP_RUN_PARAMS_H

#include <prtypes.h>

#include "platform/platform.h"

inline constexpr PRUint32 kHostSize = 260;

// argv[0] and the five positional arguments.
inline constexpr int kRunArgCount = 6;

// Log lines are written from this level up; the purge runs below the other.
inline constexpr PRInt16 kLogEnableLevel = 9;
inline constexpr PRInt16 kPurgeDisableLevel = 9999;

struct RunParams {
    char Host[kHostSize];
    PRUint16 Port;
    PRInt16 LogLevel;
    char DatFile[kPathSize];
    char LogDir[kPathSize];
};

// atoi as callers know it from 32-bit Windows: leading white space, one
// sign, decimal digits up to the first other character, no digits giving 0,
// and values beyond the signed 32-bit range held at its nearest limit.
PRInt32 ArgToInt32(const char *text);

// The low 16 bits of the number, read as unsigned and as signed.
PRUint16 ArgToPort(const char *text);
PRInt16 ArgToLogLevel(const char *text);

// Takes Host, Port, LogLevel, DatFile and LogDir from argv[1..5]. PR_FALSE,
// and nothing taken, when a text argument does not fit its buffer: a cut
// name would be another host or another file.
PRBool TakeRunParams(char *const *argv, RunParams *params);

inline PRBool LoggingOn(const RunParams *params)
{
    return (PRBool)(params->LogLevel >= kLogEnableLevel);
}

#endif
