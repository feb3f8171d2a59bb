// The name a run asks the resolver for: Host itself when it is ASCII, else
// its A-labels (UTS #46 nontransitional, IDNA2008), as browsers and curl
// look such a name up.
#ifndef TRALVINEX_LOOKUP_HOST_NAME_H
#define TRALVINEX_LOOKUP_HOST_NAME_H

#include <prtypes.h>

// DNS's 253 bytes, a dot that may end the name, and the terminator.
inline constexpr PRUint32 kAsciiNameSize = 256;

// PR_TRUE when host holds a byte above 0x7F: only such a name is converted.
// An ASCII name goes to the resolver byte for byte, as it always has.
PRBool NeedsAsciiName(const char *host);

// Puts host's A-labels into ascii (size bytes). PR_FALSE when host is no
// valid internationalized name (no UTF-8, a disallowed character, a label
// over 63 or a name over 253 bytes once converted, ...), with *reason saying
// why in English.
PRBool TakeAsciiName(const char *host, char *ascii, PRUint32 size, const char **reason);

#endif
