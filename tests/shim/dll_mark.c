/*
 * Test-only DLL, planted beside the tool under the name of a DLL the tool
 * imports or names. Once loaded into a process it leaves a file named after
 * itself with ".loaded" added, which the cases that plant it must never see.
 */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + sizeof ".loaded"];
    DWORD length;

    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcpyA(path + length, ".loaded");
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}
