// feregtool: read or write one front-end register of one channel of the card.
#include <cstdint>
#include <cstdio>

#include "command_line.h"
#include "fe_reg.h"
#include "velkaro.h"

fe_reg_req fe_reg_request;
int32_t chan_fd = -1;

#define USAGE "Usage: feregtool  span chan -fe_reg_read/-fe_reg_write value \n"

int main(int argc, char *argv[])
{
    int32_t span = 0;
    int32_t chan = 0;

    // A static buffer spares stdio its heap; output still leaves at exit,
    // or earlier where fe_reg_access flushes it.
    static char out_buffer[256];
    setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);

    switch (read_command_line(argc, argv, &fe_reg_request, &span, &chan)) {
    case command_request:
        break;
    case command_too_short:
        printf(USAGE);
        return 2;
    default:
        printf("\n" USAGE);
        return 2;
    }

    chan_fd = __velkaro_open_api_span_chan(span, chan);
    if (chan_fd < 0) {
        printf("Failed to open file descriptor\n");
        return 1;
    }

    int32_t status = fe_reg_access();
    velkaro_close(&chan_fd);
    return status == 0 ? 0 : 1;
}
