#include <gtest/gtest.h>

#include <prinit.h>

// NSPR up for the whole run, as the tool has it: error names need its table.
int main(int argc, char **argv)
{
    PR_Init(PR_USER_THREAD, PR_PRIORITY_NORMAL, 1);
    testing::InitGoogleTest(&argc, argv);
    int failed = RUN_ALL_TESTS();
    PR_Cleanup();
    return failed;
}
