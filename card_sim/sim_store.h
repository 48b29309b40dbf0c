// Where the simulated card keeps its registers between runs: one file per
// channel, one value per register, in a state folder.
#ifndef SIM_STORE_H
#define SIM_STORE_H

#include <cstddef>
#include <cstdint>

// Size of a channel's register file: registers 0x0000-0xFFFF.
const uint32_t store_size = 0x10000;

// Writes the system's temporary folder into buf, without a trailing slash.
// Returns 0, or -1 when it does not fit.
int store_temp_dir(char *buf, size_t size);

// Makes the folder and its parents as needed. Returns 0 when it is a folder.
int store_make_dir(const char *dir);

// A missing file reads as 0x00. Returns 0, or -1 when the file cannot be
// read or is not exactly store_size bytes long.
int store_read(const char *file, uint32_t offset, uint8_t *value);

// Creates a zeroed file on first use; concurrent writers never lose a value.
// Returns 0, or -1 on any failure, leaving the register unchanged.
int store_write(const char *file, uint32_t offset, uint8_t value);

// Appends one whole line; a file that cannot be written is ignored.
void store_append_line(const char *file, const char *line, size_t length);

#endif
