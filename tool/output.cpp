#include "output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

static int first_error;

void output_setup()
{
    static char buffer[256];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
#ifdef SIGPIPE
    signal(SIGPIPE, SIG_IGN);
#endif
}

int output_flush()
{
    errno = 0;
    if ((fflush(stdout) != 0 || ferror(stdout)) && first_error == 0)
        first_error = errno != 0 ? errno : EIO;
    return first_error;
}

int output_finish(int status)
{
    int error = output_flush();
    if (error == 0)
        return status;
    fprintf(stderr, "feregtool: cannot write standard output: %s\n", strerror(error));
    return status == 0 ? 1 : status;
}
