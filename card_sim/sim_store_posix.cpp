#include "sim_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Keeps a descriptor of the card's off 0, 1 and 2: where the program runs
// with one of those closed, its output must never land in a register file.
static int above_standard(int fd)
{
    if (fd < 0 || fd > 2)
        return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    int error = errno;
    close(fd);
    errno = error;
    return moved;
}

// Makes each missing parent of path, as mkdir -p would; whatever fails
// shows when the folder itself is made or opened.
static void make_parents(const char *path)
{
    char buf[4096];
    size_t len = strlen(path);
    if (len >= sizeof buf)
        return;
    memcpy(buf, path, len + 1);
    for (char *p = buf + 1; *p != '\0'; p++) {
        if (*p != '/')
            continue;
        *p = '\0';
        mkdir(buf, 0777);
        *p = '/';
    }
}

const int dir_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// The folder that VELKARO_SIM_DIR names is the user's choice, shared or
// not, links and all.
static int open_given(const char *dir, store_dir *out)
{
    int fd = open(dir, dir_flags);
    if (fd < 0 && errno == ENOENT) {
        make_parents(dir);
        mkdir(dir, 0777);
        fd = open(dir, dir_flags);
    }
    fd = above_standard(fd);
    if (fd < 0)
        return -1;
    out->fd = fd;
    return 0;
}

static int refuse(const char *dir, const char *why)
{
    fprintf(stderr, "velkaro-sim: state folder %s %s\n", dir, why);
    return -1;
}

static int refuse_errno(const char *what, const char *dir, int error)
{
    fprintf(stderr, "velkaro-sim: cannot %s state folder %s: %s\n", what, dir, strerror(error));
    return -1;
}

// The default folder lies in shared ground, so it is the real user's own:
// velkaro-sim-UID, made private, and used only while nobody else can have
// planted it or can change what is in it.
static int open_default(store_dir *out)
{
    const char *tmp = getenv("TMPDIR");
    if (tmp == nullptr || tmp[0] != '/')
        tmp = "/tmp";
    size_t len = strlen(tmp);
    while (len > 0 && tmp[len - 1] == '/')
        len--;
    char dir[4096];
    int n = snprintf(dir, sizeof dir, "%.*s/velkaro-sim-%lu", static_cast<int>(len), tmp,
                     static_cast<unsigned long>(getuid()));
    if (n < 0 || static_cast<size_t>(n) >= sizeof dir)
        return refuse_errno("name", tmp, ENAMETOOLONG);

    const int flags = dir_flags | O_NOFOLLOW;
    int made = 0;
    int fd = open(dir, flags);
    if (fd < 0 && errno == ENOENT) {
        make_parents(dir);
        if (mkdir(dir, 0700) == 0)
            made = 1;
        else if (errno != EEXIST)
            return refuse_errno("make", dir, errno);
        fd = open(dir, flags);
    }
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR)) {
        // A link fails either way, depending on the system; say which it is.
        struct stat st {
        };
        int is_link = lstat(dir, &st) == 0 && S_ISLNK(st.st_mode);
        return refuse(dir, is_link ? "is a symbolic link" : "is not a folder");
    }
    if (fd < 0)
        return refuse_errno("open", dir, errno);

    struct stat st {
    };
    const char *why = nullptr;
    if (fstat(fd, &st) != 0)
        why = "cannot be examined";
    else if (st.st_uid != getuid())
        why = "belongs to another user";
    else if (made && fchmod(fd, 0700) != 0) // 0700 whatever the umask
        why = "cannot be made private";
    else if (!made && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        why = "is writable by other users";
    if (why != nullptr) {
        close(fd);
        return refuse(dir, why);
    }
    out->fd = above_standard(fd);
    return out->fd >= 0 ? 0 : refuse_errno("open", dir, errno);
}

int store_open_dir(const char *dir, store_dir *out)
{
    return dir != nullptr ? open_given(dir, out) : open_default(out);
}

void store_close_dir(store_dir *dir)
{
    close(dir->fd);
    dir->fd = -1;
}

// Never follow a link, never wait on a FIFO or a device, never adopt a
// terminal: whatever is not a regular file is refused after the open.
const int channel_flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Returns the size of an open channel file, 0 or store_size, or -1 when it
// is not a regular file of either size.
static off_t channel_size(int fd)
{
    struct stat st {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    if (st.st_size != 0 && st.st_size != static_cast<off_t>(store_size))
        return -1;
    return st.st_size;
}

store_file store_no_file()
{
    return store_file{-1, 0};
}

void store_close_file(store_file *file)
{
    if (file->fd >= 0)
        close(file->fd);
    *file = store_no_file();
}

// Opens a channel file for reading or writing; -1 with errno set on failure.
static int open_channel_file(const store_dir *dir, const char *name, int flags)
{
    return above_standard(openat(dir->fd, name, flags | channel_flags, 0666));
}

int store_read(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
               uint8_t *value)
{
    if (offset >= store_size)
        return -1;
    if (file->fd < 0) {
        int fd = open_channel_file(dir, name, O_RDONLY);
        if (fd < 0) {
            if (errno != ENOENT)
                return -1;
            *value = 0;
            return 0;
        }
        off_t size = channel_size(fd);
        if (size <= 0) {
            // An empty file is a channel whose first writer has not sized it
            // yet: kept closed, so that the next read sees that write.
            close(fd);
            if (size < 0)
                return -1;
            *value = 0;
            return 0;
        }
        *file = store_file{fd, 0};
    }
    uint8_t b = 0;
    if (pread(file->fd, &b, 1, static_cast<off_t>(offset)) != 1)
        return -1;
    *value = b;
    return 0;
}

int store_write(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
                uint8_t value)
{
    if (offset >= store_size)
        return -1;
    if (!file->writable) {
        // The channel file is made in its place, never truncated, and sized
        // before its first value goes in: a run killed at any moment leaves
        // an empty file, which reads as a fresh channel, or a whole one, and
        // no file of any other name. Writers that size it at once agree.
        int fd = open_channel_file(dir, name, O_RDWR | O_CREAT);
        if (fd < 0)
            return -1;
        off_t size = channel_size(fd);
        if (size != static_cast<off_t>(store_size) &&
            (size != 0 || ftruncate(fd, static_cast<off_t>(store_size)) != 0)) {
            close(fd);
            return -1;
        }
        store_close_file(file);
        *file = store_file{fd, 1};
    }
    // One value at its own offset: concurrent writers of other registers are
    // not disturbed, and writers of the same register never mix.
    return pwrite(file->fd, &value, 1, static_cast<off_t>(offset)) == 1 ? 0 : -1;
}

void store_append_line(const char *file, const char *line, size_t length)
{
    // A FIFO without a reader is skipped rather than waited on.
    int fd = open(file, O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    // O_APPEND and a single write keep lines from concurrent runs whole.
    ssize_t put = write(fd, line, length);
    (void)put;
    close(fd);
}
