#include "lookup/run_lookup.h"

#include <prerr.h>
#include <prinit.h>
#include <prnetdb.h>

#include "lookup/address_record.h"
#include "lookup/host_name.h"
#include "lookup/run_params.h"
#include "lookup/run_report.h"
#include "tracelog/log_purge.h"

// The scratch area PR_GetHostByName fills with the host entry's names and
// addresses; on Linux NSPR also hands the C library's resolver a buffer of
// this size. A DNS reply holds at most 65535 bytes, so at most 4094 IPv4
// addresses, and the entry keeps each in 4 bytes and a pointer: 48 KiB for
// them all, the rest for the name and its aliases.
static const PRIntn kLookupScratchSize = 64 * 1024;
static const PRUint32 kAddressTextSize = 256;

static const char kBanner[] =
    "********************************************************************************";

static void StartNspr(const RunParams *params);
static void LogRunParams(const RunParams *params);
static PRInt32 ResolveAndRecord(const RunParams *params);
static const char *NameToAskFor(const RunParams *params, char *ascii, PRUint32 size);
static void LogAddress(const RunParams *params, const PRNetAddr *address);
static PRInt32 FailRun(const RunParams *params, const char *message, PRErrorCode code);
static PRInt32 ShutDownNspr(const RunParams *params, PRInt32 result);
static void LogExit(const RunParams *params, PRInt32 result);

PRInt32 RunLookup(int argc, char **argv)
{
    RunParams params;
    PRInt32 result;

    if (argc < kRunArgCount)
        return kExitTooFewArgs;
    if (!TakeRunParams(argv, &params))
        return (PRInt32)PR_BUFFER_OVERFLOW_ERROR;

    StartNspr(&params);
    if (params.LogLevel < kPurgeDisableLevel)
        PurgeLogs(params.LogDir);
    LogRunParams(&params);
    LogMessage(&params, "Resolving hostname...");
    result = ResolveAndRecord(&params);
    result = ShutDownNspr(&params, result);
    LogExit(&params, result);
    return result;
}

static void StartNspr(const RunParams *params)
{
    if (PR_Initialized())
        return;
    PR_Init(PR_USER_THREAD, PR_PRIORITY_NORMAL, 1);
    LogMessage(params, kBanner);
    LogMessage(params, "Initializing NSPR...");
}

static void LogRunParams(const RunParams *params)
{
    LogFormatted(params, "Host=(%s), Port=(%d), DatFile=(%s), LogDir=(%s)", params->Host,
                 (int)params->Port, params->DatFile, params->LogDir);
}

static PRInt32 ResolveAndRecord(const RunParams *params)
{
    // Static: too large for the stack, and untouched beyond what the entry
    // fills. A run is once per process, on one thread.
    static char scratch[kLookupScratchSize];
    char asciiName[kAsciiNameSize];
    const char *name;
    PRHostEnt hostEntry;
    PRNetAddr address;
    PRIntn next;
    PRErrorCode result;

    name = NameToAskFor(params, asciiName, sizeof asciiName);
    if (name == NULL)
        return PR_DIRECTORY_LOOKUP_ERROR;
    ClearFailureCode();
    if (PR_GetHostByName(name, scratch, sizeof scratch, &hostEntry) != PR_SUCCESS)
        return FailRun(params, "PR_GetHostByName() failed!", TakeFailureCode());

    LogMessage(params, "Enumerating host entry...");
    // An entry without addresses ends the enumeration at once (0), which
    // sets no error; TakeFailureCode then gives PR_UNKNOWN_ERROR.
    ClearFailureCode();
    next = PR_EnumerateHostEnt(0, &hostEntry, params->Port, &address);
    if (next <= 0)
        return FailRun(params, "PR_EnumerateHostEnt() failed!", TakeFailureCode());
    LogMessage(params, "Enumerated!");
    LogAddress(params, &address);

    if (!WriteAddressRecord(params, &address, &result))
        return FailRun(params, "Unable to open DAT file!", result);
    return result;
}

// Host itself, or its A-labels in ascii; NULL, the refusal logged, for a
// name that has none: such a run asks no name server.
static const char *NameToAskFor(const RunParams *params, char *ascii, PRUint32 size)
{
    const char *reason;

    if (!NeedsAsciiName(params->Host))
        return params->Host;
    if (!TakeAsciiName(params->Host, ascii, size, &reason)) {
        LogFormatted(params, "Host is no valid internationalized name: %s", reason);
        LogError(params, PR_DIRECTORY_LOOKUP_ERROR);
        return NULL;
    }
    LogFormatted(params, "Asking for (%s)", ascii);
    return ascii;
}

// Showing the address is only for the log; the run goes on without it.
static void LogAddress(const RunParams *params, const PRNetAddr *address)
{
    char addressText[kAddressTextSize];

    if (!LoggingOn(params))
        return;
    if (PR_NetAddrToString(address, addressText, sizeof addressText) != PR_SUCCESS)
        return;
    LogFormatted(params, "(%s) => (%s)", params->Host, addressText);
}

// code is taken by the caller right after the failed call, before the log
// writer's own file calls can replace it.
static PRInt32 FailRun(const RunParams *params, const char *message, PRErrorCode code)
{
    LogMessage(params, message);
    LogError(params, code);
    return code;
}

static PRInt32 ShutDownNspr(const RunParams *params, PRInt32 result)
{
    PRErrorCode code;

    if (PR_Initialized() != PR_TRUE)
        return result;
    LogMessage(params, "Shutting down NSPR...");
    ClearFailureCode();
    if (PR_Cleanup() == PR_SUCCESS)
        return result;
    code = TakeFailureCode();
    LogMessage(params, "PR_Cleanup() failed!");
    LogError(params, code);
    return code;
}

// These lines come after PR_Cleanup: the log writer makes no NSPR call that
// would bring NSPR up again.
static void LogExit(const RunParams *params, PRInt32 result)
{
    LogFormatted(params, "Exiting with %d.", result);
    LogMessage(params, kBanner);
}
