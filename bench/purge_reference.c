/*
 * The least a purge that looks at every log can cost: one pass over the
 * directory, the name match, one stat per matching entry, and an unlink for
 * those that are a day old or 10240 bytes long.
 *
 * usage: purge_reference DIR
 */
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    char path[4096];
    struct dirent *entry;
    struct stat st;
    time_t now = time(NULL);
    DIR *dir;

    if (argc < 2 || (dir = opendir(argv[1])) == NULL)
        return 1;
    while ((entry = readdir(dir)) != NULL) {
        size_t length = strlen(entry->d_name);

        if (length < 13 || strncasecmp(entry->d_name, "tralvinex", 9) != 0 ||
            strcasecmp(entry->d_name + length - 4, ".log") != 0)
            continue;
        snprintf(path, sizeof path, "%s/%s", argv[1], entry->d_name);
        if (stat(path, &st) == 0 && (now - st.st_mtime >= 86400 || st.st_size >= 10240))
            unlink(path);
    }
    return closedir(dir) != 0;
}
