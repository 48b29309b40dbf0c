#include "command_line.h"

#include <cstring>

#include "numbers.h"

static int is_help(const char *arg)
{
    return strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0 || strcmp(arg, "/?") == 0;
}

// A dump's range: first, and last when given, else 256 registers on from
// first, stopping at the last register there is.
static int read_dump_range(int argc, const char *const *argv, fe_reg_req *req)
{
    if (argc < 5 || !hex_number(argv[4], &req->dump_first))
        return command_not_understood;
    uint64_t last = static_cast<uint64_t>(req->dump_first) + dump_default - 1;
    if (argc >= 6) {
        uint32_t given = 0;
        if (!hex_number(argv[5], &given))
            return command_not_understood;
        last = given;
    }
    if (last > 0xFFFFFFFFU)
        last = 0xFFFFFFFFU;
    if (last < req->dump_first)
        return command_dump_backwards;
    if (last - req->dump_first >= dump_max)
        return command_dump_too_long;
    req->dump_last = static_cast<uint32_t>(last);
    req->do_dump = 1;
    return command_request;
}

int read_command_line(int argc, const char *const *argv, fe_reg_req *request, int32_t *span,
                      int32_t *chan)
{
    if (argc >= 2 && is_help(argv[1]))
        return command_help;
    if (argc >= 2 && strcmp(argv[1], "--version") == 0)
        return command_version;
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
    } else if (strcmp(argv[3], "-fe_reg_dump") == 0) {
        int result = read_dump_range(argc, argv, &req);
        if (result != command_request)
            return result;
    } else if (strcmp(argv[3], "-fe_reg_modify") == 0) {
        if (argc < 7 || !hex_number(argv[4], &req.modify_reg) ||
            !hex_number(argv[5], &req.modify_value) || !hex_number(argv[6], &req.modify_mask))
            return command_not_understood;
        req.do_modify = 1;
    } else {
        return command_not_understood;
    }

    *request = req;
    *span = decimal_number(argv[1]);
    *chan = decimal_number(argv[2]);
    return command_request;
}
