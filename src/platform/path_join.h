// A folder and a name joined into one path. A path that does not fit is
// refused, never cut: a cut path names another file. So is any path in a
// folder that names none.
#ifndef TRALVINEX_PLATFORM_PATH_JOIN_H
#define TRALVINEX_PLATFORM_PATH_JOIN_H

#include <prtypes.h>

#include "platform/platform.h"

// Whether dir names a folder. "" names none: joined, it would be the root.
// On Windows neither do two or more separators alone ("\\", "//"), which
// begin a network path with no server; "\" alone is the current drive's root.
PRBool NamesFolder(const char *dir);

// Writes dir, one separator (none after a dir that ends in one) and name
// into out. PR_FALSE, with out empty, when dir names no folder or the whole
// path does not fit in outSize bytes with its terminator.
PRBool JoinPath(const char *dir, const char *name, char *out, PRUint32 outSize);

#endif
