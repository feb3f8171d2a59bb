#include "platform/platform.h"

#include <string.h>

#include <windows.h>

#include <prerr.h>
#include <prio.h>

#include "tracelog/log_path.h"

// FILETIME counts 100 ns from 1601; PRTime microseconds from 1970.
static const PRInt64 kFileTimeTo1970Usec = 11644473600LL * PR_USEC_PER_SEC;

static PRBool IsPlainFile(HANDLE file, BY_HANDLE_FILE_INFORMATION *info);
static PRTime ToPRTime(FILETIME when);
static void DeleteIfCondemned(const char *dir, const char *name, PurgeVerdict condemned,
                              const void *rule);

void GetLocalTimeMs(PRExplodedTime *now)
{
    SYSTEMTIME st;

    memset(now, 0, sizeof *now);
    GetLocalTime(&st);
    now->tm_year = (PRInt16)st.wYear;
    now->tm_month = st.wMonth - 1;
    now->tm_mday = st.wDay;
    now->tm_hour = st.wHour;
    now->tm_min = st.wMinute;
    now->tm_sec = st.wSecond;
    now->tm_usec = st.wMilliseconds * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)GetCurrentThreadId();
}

// FILE_APPEND_DATA alone: every write lands at the end of the file as it is
// then, however many writers share it. A reparse point (a link, a junction)
// is opened as itself, and refused.
void AppendToLogFile(const char *path, const char *line, PRUint32 length)
{
    BY_HANDLE_FILE_INFORMATION info;
    DWORD written;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);

    if (file == INVALID_HANDLE_VALUE)
        return;
    // A hard link would carry the line to a file elsewhere. A lost line is
    // not reported.
    if (IsPlainFile(file, &info) && info.nNumberOfLinks == 1)
        (void)WriteFile(file, line, length, &written, NULL);
    (void)CloseHandle(file);
}

void DeleteCondemnedFiles(const char *dir, PurgeNameFilter wanted, PurgeVerdict condemned,
                          const void *rule)
{
    PRDir *listing = PR_OpenDir(dir);
    PRDirEntry *entry;

    if (listing == NULL)
        return;
    while ((entry = PR_ReadDir(listing, PR_SKIP_BOTH)) != NULL) {
        if (wanted(entry->name, rule))
            DeleteIfCondemned(dir, entry->name, condemned, rule);
    }
    (void)PR_CloseDir(listing);
}

// Judged and deleted through one handle: whatever the name leads to
// meanwhile, the file deleted is the file judged.
static void DeleteIfCondemned(const char *dir, const char *name, PurgeVerdict condemned,
                              const void *rule)
{
    char path[kPathSize];
    BY_HANDLE_FILE_INFORMATION info;
    LogFileFacts facts;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    HANDLE file;

    if (!JoinPath(dir, name, path, sizeof path))
        return;
    file = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (IsPlainFile(file, &info)) {
        facts.size = (PRInt64)((ULONGLONG)info.nFileSizeHigh << 32 | info.nFileSizeLow);
        facts.modifyTime = ToPRTime(info.ftLastWriteTime);
        // It stays when another program holds it open without sharing
        // its deletion.
        if (condemned(&facts, rule))
            (void)SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                             sizeof disposition);
    }
    (void)CloseHandle(file);
}

// A file on disk, neither a folder nor a reparse point (a link, a junction).
static PRBool IsPlainFile(HANDLE file, BY_HANDLE_FILE_INFORMATION *info)
{
    return (PRBool)(GetFileType(file) == FILE_TYPE_DISK &&
                    GetFileInformationByHandle(file, info) &&
                    (info->dwFileAttributes &
                     (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0);
}

// Any FILETIME, divided to microseconds, fits PRTime.
static PRTime ToPRTime(FILETIME when)
{
    ULONGLONG ticks = (ULONGLONG)when.dwHighDateTime << 32 | when.dwLowDateTime;

    return (PRTime)(ticks / 10) - kFileTimeTo1970Usec;
}

PRInt32 TakeArgument(const wchar_t *given, PRUint32 codePage, char *out, PRUint32 outSize)
{
    BOOL replaced = FALSE;
    // UTF-8 holds every character but a lone surrogate; it refuses the flag
    // and the report that catch replacements in other code pages.
    bool utf8 = codePage == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    int length = WideCharToMultiByte(codePage, flags, given, -1, out, (int)outSize, NULL,
                                     utf8 ? NULL : &replaced);

    if (length > 0 && !replaced)
        return 0;
    if (length == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
        return PR_BUFFER_OVERFLOW_ERROR;
    return PR_INVALID_ARGUMENT_ERROR;
}

void TakeNumberText(const wchar_t *given, char *out, PRUint32 outSize)
{
    PRUint32 length = 0;

    while (*given == L' ' || (*given >= L'\t' && *given <= L'\r'))
        given++;
    if (*given == L'+' || *given == L'-')
        out[length++] = (char)*given++;
    while (*given == L'0')
        given++;
    while (length + 1 < outSize && *given >= L'0' && *given <= L'9')
        out[length++] = (char)*given++;
    out[length] = '\0';
}

// Windows looks for a DLL that is not one of its KnownDLLs in the .exe's
// folder first, so one planted there would run inside the tool. WINMM, the
// one such DLL the tool imports, is delay-loaded (CMakeLists.txt); from here
// on it and every other DLL loaded by name, NSPR's or Winsock's own, come
// from the system folder alone. Windows 7 has the call only with KB2533623;
// without it the usual search order stays.
void UseSystemDllsOnly(void)
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                   "SetDefaultDllDirectories");
    SetDefaultDllDirectoriesFn setDirectories;

    if (found == NULL)
        return;
    setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)(void)>(found));
    // It fails only for flags it does not know.
    (void)setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
