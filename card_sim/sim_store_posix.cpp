#include "sim_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int store_temp_dir(char *buf, size_t size)
{
    const char *tmp = getenv("TMPDIR");
    if (tmp == nullptr || tmp[0] != '/')
        tmp = "/tmp";
    size_t len = strlen(tmp);
    while (len > 1 && tmp[len - 1] == '/')
        len--;
    if (len >= size)
        return -1;
    memcpy(buf, tmp, len);
    buf[len] = '\0';
    return 0;
}

static int is_dir(const char *path)
{
    struct stat st {
    };
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int store_make_dir(const char *dir)
{
    if (is_dir(dir))
        return 0;
    char path[4096];
    int n = snprintf(path, sizeof path, "%s", dir);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path)
        return -1;
    // Make each parent in turn, then the folder itself.
    for (char *p = path + 1;; p++) {
        if (*p != '/' && *p != '\0')
            continue;
        char saved = *p;
        *p = '\0';
        if (mkdir(path, 0777) != 0 && errno != EEXIST)
            return -1;
        *p = saved;
        if (saved == '\0')
            break;
    }
    return is_dir(dir) ? 0 : -1;
}

const int missing = -2;

// Opens the file and checks that it is a register file of the right size.
// Returns the descriptor, missing when there is no such file, or -1.
static int open_checked(const char *file, int flags)
{
    int fd = open(file, flags | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? missing : -1;
    struct stat st {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size != static_cast<off_t>(store_size)) {
        close(fd);
        return -1;
    }
    return fd;
}

int store_read(const char *file, uint32_t offset, uint8_t *value)
{
    if (offset >= store_size)
        return -1;
    int fd = open_checked(file, O_RDONLY);
    if (fd == missing) {
        *value = 0;
        return 0;
    }
    if (fd < 0)
        return -1;
    uint8_t b = 0;
    ssize_t got = pread(fd, &b, 1, static_cast<off_t>(offset));
    close(fd);
    if (got != 1)
        return -1;
    *value = b;
    return 0;
}

// Puts a zeroed register file in place in one step, so that no other run
// ever sees it half made; if another run got there first, its file stays.
static int create_file(const char *file)
{
    char tmp[4200];
    int n = snprintf(tmp, sizeof tmp, "%s.%ld.new", file, static_cast<long>(getpid()));
    if (n <= 0 || static_cast<size_t>(n) >= sizeof tmp)
        return -1;
    int fd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    int ok = ftruncate(fd, static_cast<off_t>(store_size)) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && link(tmp, file) != 0 && errno != EEXIST)
        ok = 0;
    unlink(tmp);
    return ok ? 0 : -1;
}

int store_write(const char *file, uint32_t offset, uint8_t value)
{
    if (offset >= store_size)
        return -1;
    int fd = open_checked(file, O_RDWR);
    if (fd == missing) {
        if (create_file(file) != 0)
            return -1;
        fd = open_checked(file, O_RDWR);
    }
    if (fd < 0)
        return -1;
    // One value at its own offset: concurrent writers of other registers are
    // not disturbed, and writers of the same register never mix.
    ssize_t put = pwrite(fd, &value, 1, static_cast<off_t>(offset));
    int closed = close(fd);
    return put == 1 && closed == 0 ? 0 : -1;
}

void store_append_line(const char *file, const char *line, size_t length)
{
    int fd = open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    // O_APPEND and a single write keep lines from concurrent runs whole.
    ssize_t put = write(fd, line, length);
    (void)put;
    close(fd);
}
