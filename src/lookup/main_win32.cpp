// The Windows entry. Windows hands a program its caller's UTF-16 arguments
// (-municode): their count is the caller's own, and each text argument is
// taken once into UTF-8, exactly, whatever the code page; the program is
// UTF-8 inside and hands the system UTF-16 again. The program's own path is
// no argument and is never converted.
#include <windows.h>

#include "lookup/run_lookup.h"
#include "lookup/run_params.h"
#include "platform/platform.h"

static const int kPortArg = 2;
static const int kLogLevelArg = 3;

int wmain(int argc, wchar_t **wide)
{
    char held[kRunArgCount][kPathSize] = {""};
    char *argv[kRunArgCount] = {held[0]};
    PRInt32 refused;

    UseSystemDllsOnly();
    if (argc < kRunArgCount)
        return kExitTooFewArgs;
    for (int i = 1; i < kRunArgCount; i++) {
        argv[i] = held[i];
        if (i == kPortArg || i == kLogLevelArg) {
            TakeNumberText(wide[i], held[i], kPathSize);
            continue;
        }
        refused = TakeArgument(wide[i], held[i], kPathSize);
        if (refused != 0)
            return refused;
    }
    return RunLookup(kRunArgCount, argv);
}
