/* Test-only DLL, planted under the names of DLLs the tool imports or names:
 * loaded, it leaves a file named after itself with ".loaded" added. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + sizeof ".loaded"];
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);

    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH) {
        lstrcpyA(path + length, ".loaded");
        CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    }
    return TRUE;
}
