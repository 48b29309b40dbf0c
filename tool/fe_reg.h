// What the command line asked for, the open channel, and the register access.
#ifndef FE_REG_H
#define FE_REG_H

#include <cstdint>

struct fe_reg_req {
    int32_t do_read;
    uint32_t read_reg;
    int32_t do_write;
    uint32_t write_reg;
    uint32_t write_value; // only the low 8 bits are written
};

extern fe_reg_req fe_reg_request;
extern int32_t chan_fd;

// Performs the requested read or write on chan_fd and prints its result.
// Returns 0, or the non-zero status of the register function that failed.
int32_t fe_reg_access();

#endif
