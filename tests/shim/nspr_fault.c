/*
 * Test-only LD_PRELOAD shim: makes one chosen NSPR call of the real binary
 * fail, and can trace every call it watches.
 *
 *   TRALVINEX_FAULT_CALL   name of the call to fail ("*" or unset: any)
 *   TRALVINEX_FAULT_AT     fail the N-th matching call (1-based); unset: none
 *   TRALVINEX_FAULT_ERROR  NSPR error code to set, "none" to clear it, or
 *                          "stale" to leave the pending one as it is;
 *                          unset: a plausible code for that call
 *   TRALVINEX_FAULT_WRITTEN  a failed PR_Write writes its first N bytes and
 *                          returns N (0: nothing) instead of -1
 *   TRALVINEX_FAULT_TRACE  file to append one line per watched call:
 *                          "NAME", or "NAME FAIL CODE" for the failed one
 *   TRALVINEX_SWAP_DIR, TRALVINEX_SWAP_TO  at the purge's first fstatat,
 *                          the folder SWAP_DIR becomes SWAP_DIR.old and a
 *                          link to SWAP_TO takes its name: an attacker who
 *                          swaps LogDir between the listing and the delete
 *
 * A failed PR_Initialized gives the wrong answer; a failed PR_ErrorToName
 * or PR_ErrorToString gives NULL.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nspr.h>
#include <private/pprio.h>
#include <prprf.h>

#define REAL(fn) \
    static __typeof__(fn) *real_##fn; \
    if (real_##fn == NULL) \
        real_##fn = (__typeof__(fn) *)dlsym(RTLD_NEXT, #fn)

static long matched;

/* Plain system calls: the trace must not go through the calls it watches. */
static void Trace(const char *name, int failed, PRErrorCode code)
{
    const char *path = getenv("TRALVINEX_FAULT_TRACE");
    char line[128];
    PRUint32 length;
    int fd;

    if (path == NULL || *path == '\0')
        return;
    if (failed)
        length = PR_snprintf(line, sizeof line, "%s FAIL %d\n", name, code);
    else
        length = PR_snprintf(line, sizeof line, "%s\n", name);
    fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0)
        return;
    (void)!write(fd, line, length);
    close(fd);
}

/* True when this call is the one to fail; the error is then already set. */
static int ShouldFail(const char *name, PRErrorCode plausible)
{
    const char *call = getenv("TRALVINEX_FAULT_CALL");
    const char *at = getenv("TRALVINEX_FAULT_AT");
    const char *error = getenv("TRALVINEX_FAULT_ERROR");
    PRErrorCode code;
    int fail = 0;

    if (at != NULL && (call == NULL || strcmp(call, "*") == 0 || strcmp(call, name) == 0))
        fail = ++matched == atol(at);
    if (!fail) {
        Trace(name, 0, 0);
        return 0;
    }
    if (error != NULL && strcmp(error, "stale") == 0) {
        Trace(name, 1, PR_GetError());
        return 1;
    }
    if (error == NULL)
        code = plausible;
    else if (strcmp(error, "none") == 0)
        code = 0;
    else
        code = (PRErrorCode)atol(error);
    Trace(name, 1, code);
    PR_SetError(code, 0);
    return 1;
}

static int SetsNoError(void)
{
    const char *error = getenv("TRALVINEX_FAULT_ERROR");

    return error != NULL && (strcmp(error, "none") == 0 || strcmp(error, "stale") == 0);
}

/* The DAT file, opened by the tool itself and handed to NSPR; a failed
 * import closes the descriptor, as NSPR's own does. */
PRFileDesc *PR_ImportFile(PROsfd osfd)
{
    REAL(PR_ImportFile);
    if (ShouldFail("PR_ImportFile", PR_INSUFFICIENT_RESOURCES_ERROR)) {
        close(osfd);
        return NULL;
    }
    return real_PR_ImportFile(osfd);
}

PRInt32 PR_Write(PRFileDesc *fd, const void *buf, PRInt32 amount)
{
    const char *written = getenv("TRALVINEX_FAULT_WRITTEN");
    PRInt32 count;

    REAL(PR_Write);
    if (!ShouldFail("PR_Write", PR_NO_DEVICE_SPACE_ERROR))
        return real_PR_Write(fd, buf, amount);
    if (written == NULL)
        return -1;
    count = (PRInt32)atol(written);
    if (count > amount)
        count = amount;
    if (count > 0 && real_PR_Write(fd, buf, count) != count)
        return -1;
    return count;
}

/* A failed close still releases the descriptor, as close(2) does. */
PRStatus PR_Close(PRFileDesc *fd)
{
    REAL(PR_Close);
    if (ShouldFail("PR_Close", PR_IO_ERROR)) {
        (void)real_PR_Close(fd);
        return PR_FAILURE;
    }
    return real_PR_Close(fd);
}

PRStatus PR_GetHostByName(const char *host, char *buf, PRIntn bufsize, PRHostEnt *hp)
{
    REAL(PR_GetHostByName);
    if (ShouldFail("PR_GetHostByName", PR_DIRECTORY_LOOKUP_ERROR))
        return PR_FAILURE;
    return real_PR_GetHostByName(host, buf, bufsize, hp);
}

/* Setting no error, the failure is the end of the list: 0, as NSPR gives
 * for an entry without addresses. */
PRIntn PR_EnumerateHostEnt(PRIntn index, const PRHostEnt *he, PRUint16 port, PRNetAddr *addr)
{
    REAL(PR_EnumerateHostEnt);
    if (ShouldFail("PR_EnumerateHostEnt", PR_INVALID_ARGUMENT_ERROR))
        return SetsNoError() ? 0 : -1;
    return real_PR_EnumerateHostEnt(index, he, port, addr);
}

PRStatus PR_NetAddrToString(const PRNetAddr *addr, char *string, PRUint32 size)
{
    REAL(PR_NetAddrToString);
    if (ShouldFail("PR_NetAddrToString", PR_BUFFER_OVERFLOW_ERROR))
        return PR_FAILURE;
    return real_PR_NetAddrToString(addr, string, size);
}

PRDir *PR_OpenDir(const char *name)
{
    REAL(PR_OpenDir);
    if (ShouldFail("PR_OpenDir", PR_FILE_NOT_FOUND_ERROR))
        return NULL;
    return real_PR_OpenDir(name);
}

PRDirEntry *PR_ReadDir(PRDir *dir, PRDirFlags flags)
{
    REAL(PR_ReadDir);
    if (ShouldFail("PR_ReadDir", PR_IO_ERROR))
        return NULL;
    return real_PR_ReadDir(dir, flags);
}

PRStatus PR_CloseDir(PRDir *dir)
{
    REAL(PR_CloseDir);
    if (ShouldFail("PR_CloseDir", PR_IO_ERROR)) {
        (void)real_PR_CloseDir(dir);
        return PR_FAILURE;
    }
    return real_PR_CloseDir(dir);
}

PRStatus PR_GetFileInfo64(const char *fn, PRFileInfo64 *info)
{
    REAL(PR_GetFileInfo64);
    if (ShouldFail("PR_GetFileInfo64", PR_FILE_NOT_FOUND_ERROR))
        return PR_FAILURE;
    return real_PR_GetFileInfo64(fn, info);
}

PRStatus PR_Delete(const char *name)
{
    REAL(PR_Delete);
    if (ShouldFail("PR_Delete", PR_NO_ACCESS_RIGHTS_ERROR))
        return PR_FAILURE;
    return real_PR_Delete(name);
}

/* Fails without shutting down, as NSPR does when called off the primordial
 * thread. */
PRStatus PR_Cleanup(void)
{
    REAL(PR_Cleanup);
    if (ShouldFail("PR_Cleanup", PR_INVALID_STATE_ERROR))
        return PR_FAILURE;
    return real_PR_Cleanup();
}

PRBool PR_Initialized(void)
{
    REAL(PR_Initialized);
    if (ShouldFail("PR_Initialized", 0))
        return !real_PR_Initialized();
    return real_PR_Initialized();
}

const char *PR_ErrorToName(PRErrorCode code)
{
    REAL(PR_ErrorToName);
    if (ShouldFail("PR_ErrorToName", 0))
        return NULL;
    return real_PR_ErrorToName(code);
}

const char *PR_ErrorToString(PRErrorCode code, PRLanguageCode language)
{
    REAL(PR_ErrorToString);
    if (ShouldFail("PR_ErrorToString", 0))
        return NULL;
    return real_PR_ErrorToString(code, language);
}

int fstatat(int dirfd, const char *name, struct stat *st, int flags)
{
    static int swapped;
    const char *dir = getenv("TRALVINEX_SWAP_DIR");
    const char *to = getenv("TRALVINEX_SWAP_TO");
    char old[4096];

    REAL(fstatat);
    if (dir != NULL && to != NULL && !swapped) {
        swapped = 1;
        snprintf(old, sizeof old, "%s.old", dir);
        if (rename(dir, old) != 0 || symlink(to, dir) != 0)
            abort();
    }
    return real_fstatat(dirfd, name, st, flags);
}
