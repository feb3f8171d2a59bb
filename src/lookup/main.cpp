#include "lookup/run_lookup.h"

int main(int argc, char **argv)
{
    return RunLookup(argc, argv);
}
