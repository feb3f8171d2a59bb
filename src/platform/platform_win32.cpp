#include "platform/platform.h"

#include <string.h>

#include <windows.h>

#include <prerr.h>
#include <prerror.h>
#include <private/pprio.h>

#include "platform/path_join.h"

// FILETIME counts 100 ns from 1601; PRTime microseconds from 1970.
static const PRInt64 kFileTimeTo1970Usec = 11644473600LL * PR_USEC_PER_SEC;
// A path of kPathSize UTF-8 bytes takes no more UTF-16 units.
static const int kWidePathSize = kPathSize;
// A final path ("\\?\C:\...", every link and short name resolved) may be
// longer than the path given; one longer than this is not judged, and so
// refused.
static const DWORD kFinalPathSize = 1024;
// A listed name of up to MAX_PATH UTF-16 units, each at most 3 UTF-8 bytes.
static const int kListedNameSize = MAX_PATH * 3;
static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// NSPR's own map from a Windows error to its code, which its PR_Open
// applies; NSPR is always linked in on Windows.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" void _MD_win32_map_open_error(PRInt32 err);

static PRBool ToWide(const char *text, wchar_t *out, int outCount);
static PRBool WidePath(const char *dir, const char *name, wchar_t *out, int outCount);
static PRBool IsPlainFile(HANDLE file, BY_HANDLE_FILE_INFORMATION *info);
static PRBool LeadsInto(HANDLE file, const wchar_t *path);
static void DeleteIfCondemned(const char *dir, const char *name, PurgeVerdict condemned,
                              const void *rule);
static PRTime ToPRTime(FILETIME when);

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

// As PR_Open opens it, but by its UTF-16 name. A pipe is refused: a server
// that never reads would hold the run (and one whose instances are all
// taken fails the open).
PRFileDesc *OpenDatFile(const char *path)
{
    wchar_t widePath[kWidePathSize];
    HANDLE file;
    DWORD type;

    if (!ToWide(path, widePath, kWidePathSize)) {
        PR_SetError(PR_INVALID_ARGUMENT_ERROR, 0);
        return NULL;
    }
    file = CreateFileW(widePath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        _MD_win32_map_open_error((PRInt32)GetLastError());
        return NULL;
    }
    type = GetFileType(file);
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_CHAR) {
        (void)CloseHandle(file);
        PR_SetError(PR_OPERATION_NOT_SUPPORTED_ERROR, 0);
        return NULL;
    }
    return PR_ImportFile((PROsfd)file);  // closes the handle itself when it fails
}

// FILE_APPEND_DATA alone: every write lands at the end of the file as it is
// then, however many writers share it. A reparse point (a link, a junction)
// is opened as itself, and refused.
void AppendToLogFile(const char *dir, const char *name, const char *line, PRUint32 length)
{
    wchar_t path[kWidePathSize];
    BY_HANDLE_FILE_INFORMATION info;
    DWORD written;
    HANDLE file;

    if (!WidePath(dir, name, path, kWidePathSize))
        return;
    file = CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // A hard link would carry the line to a file elsewhere. A lost line is
    // not reported.
    if (IsPlainFile(file, &info) && info.nNumberOfLinks == 1 && LeadsInto(file, path))
        (void)WriteFile(file, line, length, &written, NULL);
    (void)CloseHandle(file);
}

// Listed by UTF-16 names, each taken into UTF-8 exactly or skipped: no code
// page turns a look-alike into a separator that leads out of dir.
void DeleteCondemnedFiles(const char *dir, PurgeNameFilter wanted, PurgeVerdict condemned,
                          const void *rule)
{
    wchar_t pattern[kWidePathSize];
    WIN32_FIND_DATAW found;
    char name[kListedNameSize];
    HANDLE listing;

    if (!WidePath(dir, "*", pattern, kWidePathSize))
        return;
    listing = FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch,
                               NULL, 0);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    do {
        if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, found.cFileName, -1, name,
                                sizeof name, NULL, NULL) > 0 &&
            strpbrk(name, "\\/:") == NULL && wanted(name, rule))
            DeleteIfCondemned(dir, name, condemned, rule);
    } while (FindNextFileW(listing, &found));
    (void)FindClose(listing);
}

// Judged and deleted through one handle: whatever the name leads to
// meanwhile, the file deleted is the file judged.
static void DeleteIfCondemned(const char *dir, const char *name, PurgeVerdict condemned,
                              const void *rule)
{
    wchar_t path[kWidePathSize];
    BY_HANDLE_FILE_INFORMATION info;
    LogFileFacts facts;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    HANDLE file;

    if (!WidePath(dir, name, path, kWidePathSize))
        return;
    file = CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, kShareAll, NULL,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (IsPlainFile(file, &info) && LeadsInto(file, path)) {
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

static PRBool ToWide(const char *text, wchar_t *out, int outCount)
{
    return (PRBool)(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out,
                                        outCount) > 0);
}

static PRBool WidePath(const char *dir, const char *name, wchar_t *out, int outCount)
{
    char path[kPathSize];

    return (PRBool)(JoinPath(dir, name, path, sizeof path) &&
                    ToWide(path, out, outCount));
}

// A file on disk, neither a folder nor a reparse point (a link, a junction).
static PRBool IsPlainFile(HANDLE file, BY_HANDLE_FILE_INFORMATION *info)
{
    return (PRBool)(GetFileType(file) == FILE_TYPE_DISK &&
                    GetFileInformationByHandle(file, info) &&
                    (info->dwFileAttributes &
                     (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0);
}

// Whether the opened file is the one path names in its folder, however the
// file system reports a link: its final path must be the folder's own and
// the name, compared as Windows compares names, without case. (Under Wine a
// Unix link opens as its target, whose final path is another.) The folder
// is path up to its last separator, which it keeps: "C:" alone would be
// that drive's current folder, "C:\\" is its root, as in "C:\\name".
static PRBool LeadsInto(HANDLE file, const wchar_t *path)
{
    const wchar_t *name = path + wcslen(path);
    wchar_t folderPath[kWidePathSize];
    wchar_t expected[kFinalPathSize];
    wchar_t found[kFinalPathSize];
    HANDLE folder;
    DWORD length;

    while (name > path && name[-1] != L'\\' && name[-1] != L'/')
        name--;
    if (name == path)
        return PR_FALSE;
    wcsncpy(folderPath, path, (size_t)(name - path));
    folderPath[name - path] = L'\0';
    folder = CreateFileW(folderPath, FILE_READ_ATTRIBUTES, kShareAll, NULL, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (folder == INVALID_HANDLE_VALUE)
        return PR_FALSE;
    length = GetFinalPathNameByHandleW(folder, expected, kFinalPathSize,
                                       FILE_NAME_NORMALIZED);
    (void)CloseHandle(folder);
    if (length == 0 || length + 1 + wcslen(name) >= kFinalPathSize)
        return PR_FALSE;
    if (expected[length - 1] != L'\\')  // a drive's root ends in one
        expected[length++] = L'\\';
    wcscpy(expected + length, name);
    length = GetFinalPathNameByHandleW(file, found, kFinalPathSize, FILE_NAME_NORMALIZED);
    return (PRBool)(length > 0 && length < kFinalPathSize &&
                    CompareStringOrdinal(found, -1, expected, -1, TRUE) == CSTR_EQUAL);
}

// Any FILETIME, divided to microseconds, fits PRTime.
static PRTime ToPRTime(FILETIME when)
{
    ULONGLONG ticks = (ULONGLONG)when.dwHighDateTime << 32 | when.dwLowDateTime;

    return (PRTime)(ticks / 10) - kFileTimeTo1970Usec;
}

PRInt32 TakeArgument(const wchar_t *given, char *out, PRUint32 outSize)
{
    int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, given, -1, out,
                                     (int)outSize, NULL, NULL);

    if (length > 0)
        return 0;
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
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
