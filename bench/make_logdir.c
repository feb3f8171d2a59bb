/*
 * Fills DIR with COUNT entries for the purge benchmarks: a third matching
 * logs that are kept (small, fresh), a third matching logs that are
 * condemned (alternately two days old or 10240 bytes long), a third files
 * whose names only look like logs (old and large).
 *
 * Entries already there are left as they are: a purge deletes only the
 * condemned ones, so making what is missing rebuilds the same directory at
 * a fraction of the cost. One pass over the directory finds what is there.
 *
 * usage: make_logdir DIR COUNT
 */
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static void Make(const char *dir, const char *name, long size, long age)
{
    char path[4096];
    struct timespec times[2] = {{0, 0}, {0, 0}};
    int fd;

    snprintf(path, sizeof path, "%s/%s", dir, name);
    fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 && errno == EEXIST)
        return;
    if (fd < 0 || (size > 0 && ftruncate(fd, size) != 0)) {
        perror(path);
        exit(1);
    }
    times[0].tv_sec = times[1].tv_sec = time(NULL) - age;
    futimens(fd, times);
    close(fd);
}

int main(int argc, char **argv)
{
    char name[64];
    struct dirent *entry;
    char *present;
    DIR *dir;
    long count, i;

    if (argc < 3 || (count = atol(argv[2])) <= 0)
        return 2;
    present = calloc((size_t)count, 1);
    mkdir(argv[1], 0755);
    if (present == NULL || (dir = opendir(argv[1])) == NULL)
        return 1;
    while ((entry = readdir(dir)) != NULL) {
        /* every name holds 1000000 + its index after the 9-letter prefix */
        long index = strtol(entry->d_name + (entry->d_name[0] == '.' ? 0 : 9), NULL, 10) - 1000000;
        if (index >= 0 && index < count)
            present[index] = 1;
    }
    closedir(dir);
    for (i = 0; i < count; i++) {
        if (present[i])
            continue;
        switch (i % 3) {
        case 0:
            snprintf(name, sizeof name, "Tralvinex%ld.log", 1000000 + i);
            Make(argv[1], name, 600, 60);
            break;
        case 1:
            snprintf(name, sizeof name, "tralvinex%ld.LOG", 1000000 + i);
            Make(argv[1], name, i % 2 ? 10240 : 600, i % 2 ? 60 : 172800);
            break;
        default:
            snprintf(name, sizeof name, "Tralvinex%ld.log.bak", 1000000 + i);
            Make(argv[1], name, 20000, 172800);
            break;
        }
    }
    return 0;
}
