#include "lookup/address_record.h"

#include <string.h>

#include "lookup/run_report.h"
#include "platform/platform.h"

static const PRIntn kDatOpenFlags = PR_WRONLY | PR_CREATE_FILE;

static PRErrorCode FailWrite(const RunParams *params, PRErrorCode code);

void EncodeAddressRecord(const PRNetAddr *address, PRUint8 *record)
{
    PRUint16 family = address->inet.family;

    memset(record, 0, kAddressRecordSize);
    record[0] = (PRUint8)(family & 0xFF);
    record[1] = (PRUint8)(family >> 8);
    // Port and address are already in network order in PRNetAddr.
    memcpy(record + 2, &address->inet.port, sizeof address->inet.port);
    memcpy(record + 4, &address->inet.ip, sizeof address->inet.ip);
}

PRBool WriteAddressRecord(const RunParams *params, const PRNetAddr *address,
                          PRErrorCode *result)
{
    PRUint8 record[kAddressRecordSize];
    PRFileDesc *file;
    PRInt32 written;

    EncodeAddressRecord(address, record);
    ClearFailureCode();
    file = PR_Open(params->DatFile, kDatOpenFlags, kNewFileMode);
    if (file == NULL) {
        *result = TakeFailureCode();
        return PR_FALSE;
    }
    ClearFailureCode();
    written = PR_Write(file, record, (PRInt32)sizeof record);
    // A short count leaves a torn record behind: that is a failure too.
    if (written != (PRInt32)sizeof record) {
        *result = FailWrite(params, TakeFailureCode());
        (void)PR_Close(file);  // the write's failure is the one to report
        return PR_TRUE;
    }
    // Some file systems report a lost write only when the file is closed.
    ClearFailureCode();
    if (PR_Close(file) != PR_SUCCESS) {
        *result = FailWrite(params, TakeFailureCode());
        return PR_TRUE;
    }
    *result = 0;
    return PR_TRUE;
}

static PRErrorCode FailWrite(const RunParams *params, PRErrorCode code)
{
    LogMessage(params, "Unable to write to DAT file!");
    LogError(params, code);
    return code;
}
