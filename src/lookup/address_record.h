// The DAT file's 32-byte address record.
//
// Offset 0, 2 bytes: address family 2 (PR_AF_INET), little-endian.
// Offset 2, 2 bytes: port, network byte order.
// Offset 4, 4 bytes: IPv4 address, network byte order.
// Offset 8, 24 bytes: zero.
#ifndef TRALVINEX_LOOKUP_ADDRESS_RECORD_H
#define TRALVINEX_LOOKUP_ADDRESS_RECORD_H

#include <prerror.h>
#include <prio.h>
#include <prtypes.h>

#include "lookup/run_params.h"

inline constexpr PRUint32 kAddressRecordSize = 32;

// Builds the record field by field: PRNetAddr's own memory is larger than
// the record on 64-bit platforms and may hold stale bytes.
void EncodeAddressRecord(const PRNetAddr *address, PRUint8 *record);

// Writes the record for address at the start of params->DatFile, which is
// created when missing and neither truncated nor appended to.
// PR_FALSE: the file could not be opened; *result holds the open's error
// code and nothing was logged. PR_TRUE: *result is 0 for a record written
// in full (a short write is carried on until it is), or the error code of
// the write or close that failed, already logged.
PRBool WriteAddressRecord(const RunParams *params, const PRNetAddr *address,
                          PRErrorCode *result);

#endif
