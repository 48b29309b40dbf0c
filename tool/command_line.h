// Reading the argument vector into a register request.
#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include <cstdint>

#include "fe_reg.h"

enum {
    command_request = 0,   // *request, *span and *chan are filled in
    command_too_short = 1, // fewer than three arguments after the program name
    command_not_understood = 2
};

// Classifies argv without touching the card. The outputs are written only
// when the result is command_request.
int read_command_line(int argc, const char *const *argv, fe_reg_req *request, int32_t *span,
                      int32_t *chan);

#endif
