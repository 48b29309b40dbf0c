// What the command line asked for, the open channel, and the register
// operations on it.
#ifndef FE_REG_H
#define FE_REG_H

#include <cstdint>

// One operation is asked for; its flag is 1 and its operands are filled in.
struct fe_reg_req {
    int32_t do_read;
    uint32_t read_reg;
    int32_t do_write;
    uint32_t write_reg;
    uint32_t write_value; // echoed whole; only the low 8 bits are written
    int32_t do_dump;
    uint32_t dump_first;
    uint32_t dump_last; // at least dump_first, at most 65,535 above it
    int32_t do_modify;
    uint32_t modify_reg;
    uint32_t modify_value; // only the low 8 bits count
    uint32_t modify_mask;  // only the low 8 bits count
};

extern fe_reg_req fe_reg_request;
extern int32_t chan_fd;

// Performs the requested operation on chan_fd and prints its result.
// Returns 0, or the non-zero status of the register function that failed.
int32_t fe_reg_access();

// Each operation returns 0, or the status of the first access that failed.
// A failed access is reported on standard error by the operation.

// Reads reg into *data and prints the read line.
int32_t fe_reg_read(uint32_t reg, uint8_t *data);

// Echoes reg and value, flushes the echo, then writes value's low byte.
int32_t fe_reg_write(uint32_t reg, uint32_t value);

// Reads registers first to last, in ascending order, into a table.
int32_t fe_reg_dump(uint32_t first, uint32_t last);

// Reads reg, then writes back its bits outside mask and value's inside it.
int32_t fe_reg_modify(uint32_t reg, uint32_t value, uint32_t mask);

// The line that reports a failed velkaro_fe_reg_read.
void report_read_failure(int32_t status);

#endif
