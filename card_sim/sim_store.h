// Where the simulated card keeps its registers between runs: one file per
// channel, one byte per register, in a state folder.
#ifndef SIM_STORE_H
#define SIM_STORE_H

#include <cstddef>
#include <cstdint>

// Size of a channel's register file: registers 0x0000-0xFFFF.
const uint32_t store_size = 0x10000;

// An open state folder; channel files are found within it.
struct store_dir {
#if defined(_WIN32)
    char path[260];
#else
    int fd;
#endif
};

// Opens the state folder, making it and its parents when missing. dir is
// the folder as the user gave it; nullptr stands for the default one in the
// system's temporary folder, which is refused, with one line on standard
// error that says why, when another user could have planted or changed it.
// Returns 0, or -1.
int store_open_dir(const char *dir, store_dir *out);

void store_close_dir(store_dir *dir);

// A channel file, kept open from an access to the channel's close, so that
// a run that reads a range pays for the opening and the checks once.
struct store_file {
#if defined(_WIN32)
    void *handle; // nullptr when not open
#else
    int fd; // -1 when not open
#endif
    int writable;
};

// A channel file that is not open yet.
store_file store_no_file();

void store_close_file(store_file *file);

// Channel files are only ever regular files: a link, a FIFO, a device or a
// folder in a channel file's place is bad state, and nothing is followed or
// waited on. A missing or empty channel file reads as 0x00.
// Returns 0, or -1 when the file is bad state or cannot be read.
int store_read(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
               uint8_t *value);

// Creates a zeroed channel file on first use; concurrent writers never lose
// a value. Returns 0, or -1 on any failure, leaving the register unchanged.
int store_write(const store_dir *dir, store_file *file, const char *name, uint32_t offset,
                uint8_t value);

// Appends one whole line; a file that cannot be opened at once, or written,
// is skipped.
void store_append_line(const char *file, const char *line, size_t length);

#endif
