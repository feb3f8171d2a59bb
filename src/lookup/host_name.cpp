#include "lookup/host_name.h"

#include <idn2.h>
#include <string.h>

static const char kTooLong[] = "domain name longer than 253 bytes";

PRBool NeedsAsciiName(const char *host)
{
    for (const unsigned char *p = (const unsigned char *)host; *p != '\0'; p++) {
        if (*p > 0x7F)
            return PR_TRUE;
    }
    return PR_FALSE;
}

PRBool TakeAsciiName(const char *host, char *ascii, PRUint32 size, const char **reason)
{
    char *converted = NULL;
    size_t length;
    int rc;

    rc = idn2_to_ascii_8z(host, &converted, IDN2_NONTRANSITIONAL);
    // The encoder's room is one label's 63 bytes: it says so its own way.
    if (rc == IDN2_PUNYCODE_BIG_OUTPUT)
        rc = IDN2_TOO_BIG_LABEL;
    if (rc != IDN2_OK) {
        // libidn2 holds a name to DNS's 253 bytes and a final dot, but
        // its message counts 255.
        *reason = rc == IDN2_TOO_BIG_DOMAIN ? kTooLong : idn2_strerror(rc);
        return PR_FALSE;
    }
    length = strlen(converted);
    if (length >= size) {
        idn2_free(converted);
        *reason = kTooLong;
        return PR_FALSE;
    }
    memcpy(ascii, converted, length + 1);
    idn2_free(converted);
    return PR_TRUE;
}
