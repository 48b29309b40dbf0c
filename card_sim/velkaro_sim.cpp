// A simulated card that stands in for the card access library: 8 spans of
// 31 channels, each with 64 KiB of byte-wide front-end registers kept in
// files, so that writes persist from one run to the next.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim_store.h"
#include "velkaro.h"

namespace
{

const int32_t spans = 8;
const int32_t chans = 31;
const int32_t status_bad_fd = -9;
const int32_t status_io = -5;
const int32_t status_invalid = -22;
const size_t trace_line_size = 160;

// The file that VELKARO_SIM_TRACE names, or nullptr when there is none.
const char *trace_file()
{
    const char *file = getenv("VELKARO_SIM_TRACE");
    return file != nullptr && file[0] != '\0' ? file : nullptr;
}

// Appends one line of the call trace, as snprintf formatted it.
void trace(const char *file, const char *line, int length)
{
    if (length > 0 && static_cast<size_t>(length) < trace_line_size)
        store_append_line(file, line, static_cast<size_t>(length));
}

// A knob that forces a status: a well-formed non-zero decimal, else 0.
int32_t forced_status(const char *name)
{
    const char *text = getenv(name);
    if (text == nullptr || text[0] == '\0')
        return 0;
    char *end = nullptr;
    errno = 0;
    long n = strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || n < INT32_MIN || n > INT32_MAX)
        return 0;
    return static_cast<int32_t>(n);
}

// Appends text to the string in buf; -1 when it does not fit.
int append(char *buf, size_t size, const char *text)
{
    size_t used = strlen(buf);
    size_t length = strlen(text);
    if (used + length >= size)
        return -1;
    memcpy(buf + used, text, length + 1);
    return 0;
}

int state_dir(char *buf, size_t size)
{
    const char *dir = getenv("VELKARO_SIM_DIR");
    buf[0] = '\0';
    if (dir != nullptr && dir[0] != '\0')
        return append(buf, size, dir);
    if (store_temp_dir(buf, size) != 0)
        return -1;
    return append(buf, size, "/velkaro-sim");
}

// The descriptor names its channel, so no table of open channels is kept.
int valid_fd(int32_t fd)
{
    return fd >= 0 && fd < spans * chans;
}

int channel_file(int32_t fd, char *buf, size_t size)
{
    // "/span1-chan03.fe", put together by hand: this runs on every access.
    char name[] = "/span0-chan00.fe";
    int32_t chan = fd % chans + 1;
    name[5] = static_cast<char>('1' + fd / chans);
    name[11] = static_cast<char>('0' + chan / 10);
    name[12] = static_cast<char>('0' + chan % 10);
    return state_dir(buf, size) == 0 ? append(buf, size, name) : -1;
}

int32_t read_register(int32_t fd, uint32_t reg, uint8_t *data)
{
    int32_t forced = forced_status("VELKARO_SIM_READ_STATUS");
    if (forced != 0)
        return forced;
    if (!valid_fd(fd))
        return status_bad_fd;
    if (reg >= store_size || data == nullptr)
        return status_invalid;
    char file[4200];
    if (channel_file(fd, file, sizeof file) != 0 || store_read(file, reg, data) != 0)
        return status_io;
    return 0;
}

int32_t write_register(int32_t fd, uint32_t reg, uint8_t data)
{
    int32_t forced = forced_status("VELKARO_SIM_WRITE_STATUS");
    if (forced != 0)
        return forced;
    if (!valid_fd(fd))
        return status_bad_fd;
    if (reg >= store_size)
        return status_invalid;
    char file[4200];
    if (channel_file(fd, file, sizeof file) != 0 || store_write(file, reg, data) != 0)
        return status_io;
    return 0;
}

int32_t open_channel(int32_t span, int32_t chan)
{
    if (span < 1 || span > spans || chan < 1 || chan > chans)
        return -1;
    const char *fail = getenv("VELKARO_SIM_FAIL_OPEN");
    if (fail != nullptr && fail[0] != '\0' && strcmp(fail, "0") != 0)
        return -1;
    char dir[4096];
    if (state_dir(dir, sizeof dir) != 0 || store_make_dir(dir) != 0)
        return -1;
    return (span - 1) * chans + (chan - 1);
}

} // namespace

extern "C" {

VELKARO_API int32_t __velkaro_open_api_span_chan(int32_t span, int32_t chan) // NOLINT
{
    int32_t fd = open_channel(span, chan);
    const char *file = trace_file();
    if (file != nullptr) {
        char line[trace_line_size];
        trace(file, line,
              snprintf(line, sizeof line, "open span=%d chan=%d -> %d\n", span, chan, fd));
    }
    return fd;
}

VELKARO_API int32_t velkaro_close(int32_t *fd)
{
    const char *file = trace_file();
    char line[trace_line_size];
    if (fd == nullptr) {
        if (file != nullptr)
            trace(file, line, snprintf(line, sizeof line, "close fd=(null)\n"));
        return status_bad_fd;
    }
    if (file != nullptr)
        trace(file, line, snprintf(line, sizeof line, "close fd=%d\n", *fd));
    int32_t status = valid_fd(*fd) ? 0 : status_bad_fd;
    *fd = -1;
    return status;
}

VELKARO_API int32_t velkaro_fe_reg_read(int32_t fd, uint32_t reg, uint8_t *data)
{
    int32_t status = read_register(fd, reg, data);
    const char *file = trace_file();
    char line[trace_line_size];
    if (file != nullptr && status == 0)
        trace(file, line,
              snprintf(line, sizeof line, "fe_reg_read fd=%d reg=0x%08X -> 0 data=0x%02X\n", fd,
                       reg, *data));
    else if (file != nullptr)
        trace(file, line,
              snprintf(line, sizeof line, "fe_reg_read fd=%d reg=0x%08X -> %d\n", fd, reg, status));
    return status;
}

VELKARO_API int32_t velkaro_fe_reg_write(int32_t fd, uint32_t reg, uint8_t data)
{
    int32_t status = write_register(fd, reg, data);
    const char *file = trace_file();
    if (file != nullptr) {
        char line[trace_line_size];
        trace(file, line,
              snprintf(line, sizeof line, "fe_reg_write fd=%d reg=0x%08X data=0x%02X -> %d\n", fd,
                       reg, data, status));
    }
    return status;
}
}
