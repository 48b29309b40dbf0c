#include "output.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
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

// Remembers the error number of the first failure seen on standard output.
static void note_error(int failed)
{
    if (failed && first_error == 0)
        first_error = errno != 0 ? errno : EIO;
}

// A C variadic, so that the compiler checks each format against its
// arguments as it does printf's.
void output(const char *format, ...) // NOLINT(cert-dcl50-cpp)
{
    errno = 0;
    va_list args;
    va_start(args, format);
    // clang-tidy's analyzer loses va_start when it has read another file of
    // the tree first, and then sees args as uninitialized.
    int n = vfprintf(stdout, format, args); // NOLINT(clang-analyzer-valist.Uninitialized)
    va_end(args);
    note_error(n < 0 || ferror(stdout));
}

int output_flush()
{
    errno = 0;
    note_error(fflush(stdout) != 0 || ferror(stdout));
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
