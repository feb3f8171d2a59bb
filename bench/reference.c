/*
 * The least this job needs with the C library alone: resolve the host, then
 * write the 32-byte record at the start of the file. No log, no purge.
 *
 * usage: reference HOST PORT DATFILE
 */
#include <fcntl.h>
#include <netdb.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    unsigned char record[32] = {2, 0};
    struct hostent *host;
    int port, fd;

    if (argc < 4 || (host = gethostbyname(argv[1])) == NULL || host->h_length != 4)
        return 1;
    port = atoi(argv[2]);
    record[2] = (unsigned char)(port >> 8);
    record[3] = (unsigned char)port;
    memcpy(record + 4, host->h_addr_list[0], 4);
    if ((fd = open(argv[3], O_WRONLY | O_CREAT, 0666)) < 0)
        return 1;
    if (write(fd, record, sizeof record) != (ssize_t)sizeof record)
        return 1;
    return close(fd) != 0;
}
