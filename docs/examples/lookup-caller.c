/*
 * Runs tralvinex-lookup.exe as a program calls it, and reads its record.
 *
 *   lookup-caller TOOL HOST PORT LOGLEVEL DATFILE LOGDIR [TIMEOUT_MS]
 *
 * TOOL is the path of tralvinex-lookup.exe; the next five are its
 * arguments, passed on as given, whatever characters they hold. TIMEOUT_MS
 * (default 30000) is how long to wait for the tool; a run still going then
 * is ended, and so is a run whose caller dies or is ended (a job object).
 * Prints ADDRESS:PORT and returns 0 when
 * the tool exits with 0; prints the tool's exit code and returns 1 when it
 * fails; returns 3 when it was ended for taking too long; 2 for a wrong
 * call, or when the tool could not be started.
 *
 * Build: cl lookup-caller.c
 *    or: x86_64-w64-mingw32-gcc -municode lookup-caller.c -o lookup-caller.exe
 */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

/* Appends " \"arg\"" to line, quoted as the C runtime reads it back:
 * backslashes are plain but before a quotation mark, where each stands
 * doubled and the mark escaped (the closing one included: "C:\logs\"
 * would reach the tool as C:\logs"). Any character then reaches the tool
 * as given; a batch file in between could not promise that. */
static int AppendQuoted(wchar_t *line, size_t size, const wchar_t *arg)
{
    size_t at = wcslen(line), slashes;

    if (at + 3 > size)
        return 0;
    line[at++] = L' ';
    line[at++] = L'"';
    for (;;) {
        for (slashes = 0; *arg == L'\\'; arg++)
            slashes++;
        if (*arg == L'"' || *arg == L'\0')
            slashes = slashes * 2 + (*arg == L'"');
        if (at + slashes + 3 > size)
            return 0;
        for (; slashes > 0; slashes--)
            line[at++] = L'\\';
        if (*arg == L'\0')
            break;
        line[at++] = *arg++;
    }
    line[at++] = L'"';
    line[at] = L'\0';
    return 1;
}

static int Usage(void)
{
    fputs("usage: lookup-caller TOOL HOST PORT LOGLEVEL DATFILE LOGDIR [TIMEOUT_MS]\n", stderr);
    return 2;
}

int wmain(int argc, wchar_t **argv)
{
    wchar_t line[2048] = L"";
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    HANDLE job;
    DWORD timeout = 30000, waited, code;
    wchar_t *end;
    unsigned char record[32];
    size_t got = 0;
    FILE *dat;
    int i;

    if (argc != 7 && argc != 8)
        return Usage();
    if (argc == 8) {
        timeout = wcstoul(argv[7], &end, 10);
        if (end == argv[7] || *end != L'\0')
            return Usage();
    }
    /* The command line begins with the tool's own name, as C's argv[0]: a
     * line of the five arguments alone would make HOST that name. */
    for (i = 1; i < 7; i++) {
        if (!AppendQuoted(line, sizeof line / sizeof line[0], argv[i])) {
            fputs("the arguments are too long\n", stderr);
            return 2;
        }
    }
    /* A run that outlives its caller can write its record after a newer
     * run has written its own: the stale one would win. In a job that ends
     * its processes when its last handle closes, the run ends with this
     * caller, however the caller ends. The tool starts suspended, so that
     * it runs only inside the job. (Windows 7 cannot put a process in two
     * jobs: a caller in a job of its own needs that job to allow it.) */
    job = CreateJobObjectW(NULL, NULL);
    ZeroMemory(&limits, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job == NULL || !SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                                &limits, sizeof limits)) {
        fprintf(stderr, "cannot make a job object: error %lu\n", GetLastError());
        return 2;
    }
    /* A console program: CREATE_NO_WINDOW keeps a GUI caller from flashing
     * a console window. The tool prints nothing. */
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessW(argv[1], line + 1, NULL, NULL, FALSE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, NULL, NULL, &startup, &process)) {
        fprintf(stderr, "cannot start the tool: error %lu\n", GetLastError());
        return 2;
    }
    if (!AssignProcessToJobObject(job, process.hProcess)) {
        fprintf(stderr, "cannot put the tool in a job: error %lu\n", GetLastError());
        TerminateProcess(process.hProcess, ERROR_ACCESS_DENIED);
        return 2;
    }
    ResumeThread(process.hThread);
    /* Only the name lookup makes the tool wait, as long as the system's
     * resolver lets it (10 s or more when no DNS server answers). A run
     * ended on its way may have written part of DATFILE: not read then. */
    waited = WaitForSingleObject(process.hProcess, timeout);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, ERROR_TIMEOUT);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    if (waited != WAIT_OBJECT_0) {
        printf("tralvinex-lookup did not finish within %lu ms and was ended\n",
               (unsigned long)timeout);
        return 3;
    }

    /* The code is signed: read unsigned, -5973 would be 4294961323. */
    if (code != 0) {
        printf("tralvinex-lookup failed: %ld (0x%08lX)\n", (long)(LONG)code,
               (unsigned long)code);
        return 1;
    }
    /* Only after exit 0: a failed run leaves an earlier record in place. */
    dat = _wfopen(argv[5], L"rb");
    if (dat != NULL) {
        got = fread(record, 1, sizeof record, dat);
        fclose(dat);
    }
    if (got != sizeof record || record[0] != 2 || record[1] != 0) {
        fputs("no address record in DATFILE\n", stderr);
        return 1;
    }
    printf("%u.%u.%u.%u:%u\n", record[4], record[5], record[6], record[7],
           (unsigned)(record[2] << 8 | record[3]));
    return 0;
}
