// Reading the argument vector into a register request.
#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include <cstdint>

#include "fe_reg.h"

enum {
    command_request = 0,   // *request, *span and *chan are filled in
    command_too_short = 1, // fewer than three arguments after the program name
    command_not_understood = 2,
    command_help = 3,           // argument 1 is --help, -h or /?
    command_version = 4,        // argument 1 is --version
    command_dump_backwards = 5, // a dump's last register is below its first
    command_dump_too_long = 6   // a dump of more than dump_max registers
};

// The most registers that one dump reads.
const uint32_t dump_max = 65536;

// Registers that a dump reads when its last register is not given.
const uint32_t dump_default = 256;

// Classifies argv without touching the card. The outputs are written only
// when the result is command_request.
int read_command_line(int argc, const char *const *argv, fe_reg_req *request, int32_t *span,
                      int32_t *chan);

#endif
