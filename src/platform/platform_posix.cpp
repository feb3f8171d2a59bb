#include "platform/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <prerr.h>
#include <prerror.h>
#include <private/pprio.h>

#include "platform/path_join.h"

static const int kDatOpenFlags = O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
static const int kLogOpenFlags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK |
                                 O_NOCTTY | O_CLOEXEC;

// How NSPR's PR_Open reports what open(2) may fail with; ENXIO is a FIFO
// without a reader, or a socket.
static const struct {
    int osError;
    PRErrorCode code;
} kOpenErrors[] = {
    // clang-format off
    {EACCES, PR_NO_ACCESS_RIGHTS_ERROR}, {EPERM, PR_NO_ACCESS_RIGHTS_ERROR},
    {ENOENT, PR_FILE_NOT_FOUND_ERROR}, {ENODEV, PR_FILE_NOT_FOUND_ERROR},
    {ENOTDIR, PR_NOT_DIRECTORY_ERROR}, {EISDIR, PR_IS_DIRECTORY_ERROR},
    {ENAMETOOLONG, PR_NAME_TOO_LONG_ERROR}, {ELOOP, PR_LOOP_ERROR},
    {EROFS, PR_READ_ONLY_FILESYSTEM_ERROR}, {ETXTBSY, PR_FILE_IS_BUSY_ERROR},
    {ENOSPC, PR_NO_DEVICE_SPACE_ERROR}, {EDQUOT, PR_NO_DEVICE_SPACE_ERROR},
    {EMFILE, PR_PROC_DESC_TABLE_FULL_ERROR}, {ENFILE, PR_SYS_DESC_TABLE_FULL_ERROR},
    {ENOMEM, PR_INSUFFICIENT_RESOURCES_ERROR}, {EAGAIN, PR_INSUFFICIENT_RESOURCES_ERROR},
    {EINTR, PR_PENDING_INTERRUPT_ERROR}, {EIO, PR_IO_ERROR}, {EBUSY, PR_IO_ERROR},
    {EOVERFLOW, PR_FILE_TOO_BIG_ERROR}, {EFBIG, PR_FILE_TOO_BIG_ERROR},
    {EINVAL, PR_INVALID_ARGUMENT_ERROR}, {ENXIO, PR_OPERATION_NOT_SUPPORTED_ERROR},
    // clang-format on
};

static PRBool IsLoneFile(const struct stat *st);
static void SetOpenError(int osError);
static PRTime ToPRTime(const struct timespec *when);

void GetLocalTimeMs(PRExplodedTime *now)
{
    struct timespec ts;
    struct tm local;

    memset(now, 0, sizeof *now);
    // Without a clock there is no honest time to show; the line keeps zeros.
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0 ||
        localtime_r(&ts.tv_sec, &local) == NULL)
        return;
    now->tm_year = (PRInt16)(local.tm_year + 1900);
    now->tm_month = local.tm_mon;
    now->tm_mday = local.tm_mday;
    now->tm_hour = local.tm_hour;
    now->tm_min = local.tm_min;
    now->tm_sec = local.tm_sec;
    now->tm_usec = (PRInt32)(ts.tv_nsec / 1000000) * 1000;
}

PRInt32 GetThreadId(void)
{
    return (PRInt32)gettid();
}

// O_NONBLOCK: a FIFO without a reader fails the open (ENXIO) instead of
// holding the run; one with a reader, or a socket, is refused before any
// write could wait on it.
PRFileDesc *OpenDatFile(const char *path)
{
    struct stat st;
    int fd = open(path, kDatOpenFlags, kNewFileMode);

    if (fd < 0) {
        SetOpenError(errno);
        return NULL;
    }
    if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
        (void)close(fd);
        PR_SetError(PR_OPERATION_NOT_SUPPORTED_ERROR, 0);
        return NULL;
    }
    return PR_ImportFile(fd);  // closes fd itself when it fails
}

void AppendToLogFile(const char *dir, const char *name, const char *line, PRUint32 length)
{
    char path[kPathSize];
    struct stat st;
    int fd;

    if (!JoinPath(dir, name, path, sizeof path))
        return;
    // Judged before it is opened: the open of a FIFO or a device is an act
    // of its own (a reader released, a driver's open run).
    if (lstat(path, &st) == 0 ? !IsLoneFile(&st) : errno != ENOENT)
        return;
    fd = open(path, kLogOpenFlags, kNewFileMode);
    if (fd < 0)
        return;
    // Judged again: the entry may have changed since.
    if (fstat(fd, &st) == 0 && IsLoneFile(&st))
        (void)!write(fd, line, length);  // a lost line is not reported
    (void)close(fd);
}

// A regular file with one link: a hard link would carry the line to a file
// elsewhere.
static PRBool IsLoneFile(const struct stat *st)
{
    return (PRBool)(S_ISREG(st->st_mode) && st->st_nlink == 1);
}

static void SetOpenError(int osError)
{
    for (const auto &known : kOpenErrors) {
        if (known.osError == osError) {
            PR_SetError(known.code, osError);
            return;
        }
    }
    PR_SetError(PR_UNKNOWN_ERROR, osError);
}

void DeleteCondemnedFiles(const char *dir, PurgeNameFilter wanted, PurgeVerdict condemned,
                          const void *rule)
{
    DIR *listing = opendir(dir);
    struct dirent *entry;
    struct stat st;
    LogFileFacts facts;

    if (listing == NULL)
        return;
    // Relative to the folder listed: whatever dir's path names meanwhile,
    // the entry deleted is the entry judged, and never a link's target.
    while ((entry = readdir(listing)) != NULL) {
        if (!wanted(entry->d_name, rule) ||
            fstatat(dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        facts.size = st.st_size;
        facts.modifyTime = ToPRTime(&st.st_mtim);
        if (condemned(&facts, rule))
            (void)unlinkat(dirfd(listing), entry->d_name, 0);  // another run may be first
    }
    (void)closedir(listing);
}

// A time beyond PRTime's range (about 292,000 years either way) is held at
// the nearest end of it.
static PRTime ToPRTime(const struct timespec *when)
{
    PRTime usec;

    if (__builtin_mul_overflow((PRTime)when->tv_sec, PR_USEC_PER_SEC, &usec) ||
        __builtin_add_overflow(usec, when->tv_nsec / 1000, &usec))
        return when->tv_sec < 0 ? PR_INT64_MIN : PR_INT64_MAX;
    return usec;
}
