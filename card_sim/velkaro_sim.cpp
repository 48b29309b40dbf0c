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

// Appends one line, formatted by the caller, to the call trace when
// VELKARO_SIM_TRACE names a file.
void trace(const char *line, int length)
{
    const char *file = getenv("VELKARO_SIM_TRACE");
    if (file == nullptr || file[0] == '\0')
        return;
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

int state_dir(char *buf, size_t size)
{
    const char *dir = getenv("VELKARO_SIM_DIR");
    if (dir != nullptr && dir[0] != '\0') {
        int n = snprintf(buf, size, "%s", dir);
        return n > 0 && static_cast<size_t>(n) < size ? 0 : -1;
    }
    char tmp[4096];
    if (store_temp_dir(tmp, sizeof tmp) != 0)
        return -1;
    int n = snprintf(buf, size, "%s/velkaro-sim", tmp);
    return n > 0 && static_cast<size_t>(n) < size ? 0 : -1;
}

// The descriptor names its channel, so no table of open channels is kept.
int valid_fd(int32_t fd)
{
    return fd >= 0 && fd < spans * chans;
}

int channel_file(int32_t fd, char *buf, size_t size)
{
    char dir[4096];
    if (state_dir(dir, sizeof dir) != 0)
        return -1;
    int n = snprintf(buf, size, "%s/span%d-chan%d.fe", dir, fd / chans + 1, fd % chans + 1);
    return n > 0 && static_cast<size_t>(n) < size ? 0 : -1;
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
    char line[trace_line_size];
    trace(line, snprintf(line, sizeof line, "open span=%d chan=%d -> %d\n", span, chan, fd));
    return fd;
}

VELKARO_API int32_t velkaro_close(int32_t *fd)
{
    char line[trace_line_size];
    if (fd == nullptr) {
        trace(line, snprintf(line, sizeof line, "close fd=(null)\n"));
        return status_bad_fd;
    }
    trace(line, snprintf(line, sizeof line, "close fd=%d\n", *fd));
    int32_t status = valid_fd(*fd) ? 0 : status_bad_fd;
    *fd = -1;
    return status;
}

VELKARO_API int32_t velkaro_fe_reg_read(int32_t fd, uint32_t reg, uint8_t *data)
{
    int32_t status = read_register(fd, reg, data);
    char line[trace_line_size];
    if (status == 0)
        trace(line, snprintf(line, sizeof line, "fe_reg_read fd=%d reg=0x%08X -> 0 data=0x%02X\n",
                             fd, reg, *data));
    else
        trace(line,
              snprintf(line, sizeof line, "fe_reg_read fd=%d reg=0x%08X -> %d\n", fd, reg, status));
    return status;
}

VELKARO_API int32_t velkaro_fe_reg_write(int32_t fd, uint32_t reg, uint8_t data)
{
    int32_t status = write_register(fd, reg, data);
    char line[trace_line_size];
    trace(line, snprintf(line, sizeof line, "fe_reg_write fd=%d reg=0x%08X data=0x%02X -> %d\n", fd,
                         reg, data, status));
    return status;
}
}
