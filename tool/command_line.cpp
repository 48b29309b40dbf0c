#include "command_line.h"

#include <cstring>

#include "numbers.h"

int read_command_line(int argc, const char *const *argv, fe_reg_req *request, int32_t *span,
                      int32_t *chan)
{
    if (argc < 4)
        return command_too_short;

    // An operand without a single digit is refused rather than read as 0:
    // register 0 may be a live or clear-on-read register.
    fe_reg_req req{};
    if (strcmp(argv[3], "-fe_reg_read") == 0) {
        if (argc < 5 || !hex_number(argv[4], &req.read_reg))
            return command_not_understood;
        req.do_read = 1;
    } else if (strcmp(argv[3], "-fe_reg_write") == 0) {
        if (argc < 6 || !hex_number(argv[4], &req.write_reg) ||
            !hex_number(argv[5], &req.write_value))
            return command_not_understood;
        req.do_write = 1;
    } else {
        return command_not_understood;
    }

    *request = req;
    *span = decimal_number(argv[1]);
    *chan = decimal_number(argv[2]);
    return command_request;
}
