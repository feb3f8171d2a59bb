#include "lookup/address_record.h"

#include <string.h>

#include "lookup/run_report.h"
#include "platform/platform.h"

static PRBool WriteAll(PRFileDesc *file, const PRUint8 *bytes, PRInt32 count);
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

    EncodeAddressRecord(address, record);
    ClearFailureCode();
    file = OpenDatFile(params->DatFile);
    if (file == NULL) {
        *result = TakeFailureCode();
        return PR_FALSE;
    }
    if (!WriteAll(file, record, (PRInt32)sizeof record)) {
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

// A short count is finished with further writes, so that no torn record is
// left behind. PR_FALSE when a write fails (-1) or makes no progress (0);
// the failed write's code is then the pending NSPR error.
static PRBool WriteAll(PRFileDesc *file, const PRUint8 *bytes, PRInt32 count)
{
    PRInt32 written;

    while (count > 0) {
        ClearFailureCode();
        written = PR_Write(file, bytes, count);
        if (written <= 0)
            return PR_FALSE;
        bytes += written;
        count -= written;
    }
    return PR_TRUE;
}

static PRErrorCode FailWrite(const RunParams *params, PRErrorCode code)
{
    LogMessage(params, "Unable to write to DAT file!");
    LogError(params, code);
    return code;
}
