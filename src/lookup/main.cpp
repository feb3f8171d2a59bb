#include "lookup/run_lookup.h"
#include "platform/platform.h"

int main(int argc, char **argv)
{
    UseSystemDllsOnly();
    return RunLookup(argc, argv);
}
