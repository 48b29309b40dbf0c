#include "sim_store.h"

#include <cstdio>
#include <cstring>
#include <windows.h>

// Makes each missing parent of path in turn; a drive or a parent that
// exists already fails harmlessly, and the folder's own check tells whether
// it all worked.
static void make_parents(const char *path)
{
    char buf[sizeof store_dir{}.path];
    int n = snprintf(buf, sizeof buf, "%s", path);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buf)
        return;
    for (char *p = buf + 1; *p != '\0'; p++) {
        if (*p != '/' && *p != '\\')
            continue;
        char saved = *p;
        *p = '\0';
        CreateDirectoryA(buf, nullptr);
        *p = saved;
    }
}

static DWORD make_dir(const char *dir)
{
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        make_parents(dir);
        CreateDirectoryA(dir, nullptr);
        attributes = GetFileAttributesA(dir);
    }
    return attributes;
}

// The default folder lies in GetTempPath, which is the user's own; a link
// planted there is refused all the same.
static int open_default(store_dir *out)
{
    char tmp[MAX_PATH + 1];
    DWORD len = GetTempPathA(sizeof tmp, tmp);
    if (len == 0 || len > MAX_PATH)
        return -1;
    while (len > 3 && (tmp[len - 1] == '\\' || tmp[len - 1] == '/'))
        len--;
    int n = snprintf(out->path, sizeof out->path, "%.*s\\velkaro-sim", static_cast<int>(len), tmp);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof out->path)
        return -1;
    DWORD attributes = make_dir(out->path);
    const char *why = nullptr;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        why = "cannot be made";
    else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        why = "is a link";
    else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        why = "is not a folder";
    if (why == nullptr)
        return 0;
    fprintf(stderr, "velkaro-sim: state folder %s %s\n", out->path, why);
    return -1;
}

int store_open_dir(const char *dir, store_dir *out)
{
    if (dir == nullptr)
        return open_default(out);
    int n = snprintf(out->path, sizeof out->path, "%s", dir);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof out->path)
        return -1;
    DWORD attributes = make_dir(dir);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
               ? 0
               : -1;
}

void store_close_dir(store_dir *dir)
{
    dir->path[0] = '\0';
}

// A channel file's full name; -1 when it does not fit.
static int channel_path(const store_dir *dir, const char *name, char (&path)[MAX_PATH])
{
    int n = snprintf(path, sizeof path, "%s\\%s", dir->path, name);
    return n > 0 && static_cast<size_t>(n) < sizeof path ? 0 : -1;
}

// Every access holds a lock on the register range: shared to read,
// exclusive to write. The lock goes with the handle, so a run that dies
// leaves nothing behind.
static int lock_registers(HANDLE file, DWORD flags)
{
    OVERLAPPED at{};
    return LockFileEx(file, flags, 0, store_size, 0, &at) ? 0 : -1;
}

static void unlock_registers(HANDLE file)
{
    OVERLAPPED at{};
    UnlockFileEx(file, 0, store_size, 0, &at);
}

// A register file is either whole or empty: a first writer makes it and
// sizes it under the exclusive lock, and an empty one (its maker did not
// get that far) holds no write yet.
static int file_size(HANDLE file, uint32_t *size)
{
    BY_HANDLE_FILE_INFORMATION info{};
    LARGE_INTEGER length{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        !GetFileSizeEx(file, &length))
        return -1;
    if (length.QuadPart != 0 && length.QuadPart != static_cast<LONGLONG>(store_size))
        return -1;
    *size = static_cast<uint32_t>(length.QuadPart);
    return 0;
}

static int read_at(HANDLE file, uint32_t offset, uint8_t *value)
{
    OVERLAPPED at{};
    at.Offset = offset;
    DWORD got = 0;
    return ReadFile(file, value, 1, &got, &at) && got == 1 ? 0 : -1;
}

static int write_at(HANDLE file, uint32_t offset, uint8_t value)
{
    OVERLAPPED at{};
    at.Offset = offset;
    DWORD put = 0;
    return WriteFile(file, &value, 1, &put, &at) && put == 1 ? 0 : -1;
}

const DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A link in a channel file's place is opened as itself, and then refused.
const DWORD channel_flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

store_file store_no_file()
{
    return store_file{nullptr, 0};
}

void store_close_file(store_file *file)
{
    if (file->handle != nullptr)
        CloseHandle(file->handle);
    *file = store_no_file();
}

int store_read(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
               uint8_t *value)
{
    if (offset >= store_size)
        return -1;
    if (file->handle == nullptr) {
        char path[MAX_PATH];
        if (channel_path(dir, name, path) != 0)
            return -1;
        HANDLE h = CreateFileA(path, GENERIC_READ, share_all, nullptr, OPEN_EXISTING, channel_flags,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_FILE_NOT_FOUND)
                return -1;
            *value = 0;
            return 0;
        }
        file->handle = h;
        file->writable = 0;
    }
    int result = -1;
    if (lock_registers(file->handle, 0) == 0) {
        uint32_t size = 0;
        uint8_t b = 0;
        if (file_size(file->handle, &size) == 0 &&
            (size == 0 || read_at(file->handle, offset, &b) == 0)) {
            *value = b;
            result = 0;
        }
        unlock_registers(file->handle);
    }
    return result;
}

int store_write(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
                uint8_t value)
{
    if (offset >= store_size)
        return -1;
    if (!file->writable) {
        char path[MAX_PATH];
        if (channel_path(dir, name, path) != 0)
            return -1;
        // OPEN_ALWAYS makes the file in its place and never truncates it.
        HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, share_all, nullptr, OPEN_ALWAYS,
                               channel_flags, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return -1;
        store_close_file(file);
        file->handle = h;
        file->writable = 1;
    }
    int result = -1;
    if (lock_registers(file->handle, LOCKFILE_EXCLUSIVE_LOCK) == 0) {
        uint32_t size = 0;
        if (file_size(file->handle, &size) == 0) {
            LARGE_INTEGER end{};
            end.QuadPart = store_size;
            int sized =
                size == store_size || (SetFilePointerEx(file->handle, end, nullptr, FILE_BEGIN) &&
                                       SetEndOfFile(file->handle));
            if (sized && write_at(file->handle, offset, value) == 0)
                result = 0;
        }
        unlock_registers(file->handle);
    }
    return result;
}

void store_append_line(const char *file, const char *line, size_t length)
{
    HANDLE h = CreateFileA(file, FILE_APPEND_DATA, share_all, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    // Append-only access and a single write keep lines from concurrent runs whole.
    DWORD put = 0;
    WriteFile(h, line, static_cast<DWORD>(length), &put, nullptr);
    CloseHandle(h);
}
