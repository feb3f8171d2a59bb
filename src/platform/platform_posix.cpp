#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static const int kLogOpenFlags = O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK |
                                 O_NOCTTY | O_CLOEXEC;

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

void AppendToLogFile(const char *path, const char *line, PRUint32 length)
{
    struct stat st;
    int fd = open(path, kLogOpenFlags, kNewFileMode);

    if (fd < 0)
        return;
    // A hard link would carry the line to a file elsewhere.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1)
        (void)!write(fd, line, length);  // a lost line is not reported
    (void)close(fd);
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
