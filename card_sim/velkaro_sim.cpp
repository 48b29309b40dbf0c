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

// Appends one line of the call trace, as snprintf formatted it.
void trace(const char *file, const char *line, int length)
{
    if (length > 0 && static_cast<size_t>(length) < trace_line_size)
        store_append_line(file, line, static_cast<size_t>(length));
}

const int32_t no_status = 0;

// A knob that forces a status: a well-formed non-zero signed decimal in the
// 32-bit range. Unset, empty or 0 forces nothing; anything else makes the
// call fail with status_invalid, so that a harness that meant to force a
// failure never changes the card by mistake.
int32_t forced_status(const char *name)
{
    const char *text = getenv(name);
    if (text == nullptr || text[0] == '\0')
        return no_status;
    const char *p = text[0] == '-' || text[0] == '+' ? text + 1 : text;
    if (*p < '0' || *p > '9')
        return status_invalid;
    char *end = nullptr;
    errno = 0;
    long long n = strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || n < INT32_MIN || n > INT32_MAX)
        return status_invalid;
    return static_cast<int32_t>(n);
}

// The knobs, as the environment gave them at the latest open, or at this
// call while no channel is open: a run that reads a range of registers
// pays for reading them once.
struct knobs {
    int32_t read_status;
    int32_t write_status;
    char trace[4096]; // empty when there is no trace
};
knobs current;
int open_count;

void read_knobs()
{
    current.read_status = forced_status("VELKARO_SIM_READ_STATUS");
    current.write_status = forced_status("VELKARO_SIM_WRITE_STATUS");
    const char *file = getenv("VELKARO_SIM_TRACE");
    size_t length = file != nullptr ? strlen(file) : 0;
    if (length >= sizeof current.trace)
        length = 0; // a name that no system could open
    if (length > 0)
        memcpy(current.trace, file, length);
    current.trace[length] = '\0';
}

const knobs &knobs_now()
{
    if (open_count == 0)
        read_knobs();
    return current;
}

// The file that VELKARO_SIM_TRACE named, or nullptr when there is none.
const char *trace_file(const knobs &k)
{
    return k.trace[0] != '\0' ? k.trace : nullptr;
}

// The state folder and the channel file of each open channel, held from the
// open to the close.
store_dir open_dirs[spans * chans];
store_file open_files[spans * chans];
bool is_open[spans * chans];

int valid_fd(int32_t fd)
{
    return fd >= 0 && fd < spans * chans;
}

int open_fd(int32_t fd)
{
    return valid_fd(fd) && is_open[fd];
}

// "span1-chan03.fe", put together by hand: this runs on every access.
void channel_name(int32_t fd, char (&name)[16])
{
    const char pattern[] = "span0-chan00.fe";
    memcpy(name, pattern, sizeof pattern);
    int32_t chan = fd % chans + 1;
    name[4] = static_cast<char>('1' + fd / chans);
    name[10] = static_cast<char>('0' + chan / 10);
    name[11] = static_cast<char>('0' + chan % 10);
}

int32_t read_register(int32_t fd, uint32_t reg, uint8_t *data)
{
    int32_t forced = knobs_now().read_status;
    if (forced != no_status)
        return forced;
    if (!open_fd(fd))
        return status_bad_fd;
    if (reg >= store_size || data == nullptr)
        return status_invalid;
    char name[16];
    channel_name(fd, name);
    return store_read(&open_dirs[fd], &open_files[fd], name, reg, data) == 0 ? 0 : status_io;
}

int32_t write_register(int32_t fd, uint32_t reg, uint8_t data)
{
    int32_t forced = knobs_now().write_status;
    if (forced != no_status)
        return forced;
    if (!open_fd(fd))
        return status_bad_fd;
    if (reg >= store_size)
        return status_invalid;
    char name[16];
    channel_name(fd, name);
    return store_write(&open_dirs[fd], &open_files[fd], name, reg, data) == 0 ? 0 : status_io;
}

int32_t open_channel(int32_t span, int32_t chan)
{
    read_knobs();
    if (span < 1 || span > spans || chan < 1 || chan > chans)
        return -1;
    const char *fail = getenv("VELKARO_SIM_FAIL_OPEN");
    if (fail != nullptr && fail[0] != '\0' && strcmp(fail, "0") != 0)
        return -1;
    int32_t fd = (span - 1) * chans + (chan - 1);
    const char *dir = getenv("VELKARO_SIM_DIR");
    store_dir opened{};
    if (store_open_dir(dir != nullptr && dir[0] != '\0' ? dir : nullptr, &opened) != 0)
        return -1;
    // Opening a channel again replaces what the earlier open held.
    if (is_open[fd]) {
        store_close_file(&open_files[fd]);
        store_close_dir(&open_dirs[fd]);
    } else {
        open_count++;
    }
    open_dirs[fd] = opened;
    open_files[fd] = store_no_file();
    is_open[fd] = true;
    return fd;
}

int32_t close_channel(int32_t fd)
{
    if (!open_fd(fd))
        return status_bad_fd;
    store_close_file(&open_files[fd]);
    store_close_dir(&open_dirs[fd]);
    is_open[fd] = false;
    open_count--;
    return 0;
}

} // namespace

extern "C" {

VELKARO_API int32_t __velkaro_open_api_span_chan(int32_t span, int32_t chan) // NOLINT
{
    int32_t fd = open_channel(span, chan);
    const char *file = trace_file(current);
    if (file != nullptr) {
        char line[trace_line_size];
        trace(file, line,
              snprintf(line, sizeof line, "open span=%d chan=%d -> %d\n", span, chan, fd));
    }
    return fd;
}

VELKARO_API int32_t velkaro_close(int32_t *fd)
{
    const char *file = trace_file(knobs_now());
    char line[trace_line_size];
    if (fd == nullptr) {
        if (file != nullptr)
            trace(file, line, snprintf(line, sizeof line, "close fd=(null)\n"));
        return status_bad_fd;
    }
    if (file != nullptr)
        trace(file, line, snprintf(line, sizeof line, "close fd=%d\n", *fd));
    int32_t status = close_channel(*fd);
    *fd = -1;
    return status;
}

VELKARO_API int32_t velkaro_fe_reg_read(int32_t fd, uint32_t reg, uint8_t *data)
{
    int32_t status = read_register(fd, reg, data);
    const char *file = trace_file(current);
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
    const char *file = trace_file(current);
    if (file != nullptr) {
        char line[trace_line_size];
        trace(file, line,
              snprintf(line, sizeof line, "fe_reg_write fd=%d reg=0x%08X data=0x%02X -> %d\n", fd,
                       reg, data, status));
    }
    return status;
}
}
