// feregtool: read or write front-end registers of one channel of the card.
#include <cstdint>
#include <cstdio>

#include "command_line.h"
#include "fe_reg.h"
#include "help.h"
#include "output.h"
#include "velkaro.h"

fe_reg_req fe_reg_request;
int32_t chan_fd = -1;

#define USAGE "Usage: feregtool  span chan -fe_reg_read/-fe_reg_write value \n"

int main(int argc, char *argv[])
{
    int32_t span = 0;
    int32_t chan = 0;

    output_setup();

    switch (read_command_line(argc, argv, &fe_reg_request, &span, &chan)) {
    case command_request:
        break;
    case command_help:
        print_help();
        return output_finish(0);
    case command_version:
        print_version();
        return output_finish(0);
    case command_dump_backwards:
        fprintf(stderr, "feregtool: -fe_reg_dump: the last register is below the first\n");
        return output_finish(2);
    case command_dump_too_long:
        fprintf(stderr, "feregtool: -fe_reg_dump: more than 65536 registers\n");
        return output_finish(2);
    case command_too_short:
        output(USAGE);
        return output_finish(2);
    default:
        output("\n" USAGE);
        return output_finish(2);
    }

    chan_fd = __velkaro_open_api_span_chan(span, chan);
    if (chan_fd < 0) {
        output("Failed to open file descriptor\n");
        return output_finish(1);
    }

    int32_t status = fe_reg_access();
    velkaro_close(&chan_fd);
    return output_finish(status == 0 ? 0 : 1);
}
