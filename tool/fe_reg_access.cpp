#include "fe_reg.h"

#include <cstdio>

#include "output.h"
#include "velkaro.h"

int32_t fe_reg_access()
{
    if (fe_reg_request.do_read != 0) {
        uint8_t data = 0;
        int32_t status = velkaro_fe_reg_read(chan_fd, fe_reg_request.read_reg, &data);
        if (status != 0) {
            fprintf(stderr, "Error, velkaro_fe_reg_read failed %i\n", static_cast<int>(status));
            return status;
        }
        output("\nFE READ Reg=0x%04X Data=%02X\n", static_cast<unsigned>(fe_reg_request.read_reg),
               static_cast<unsigned>(data));
    }

    if (fe_reg_request.do_write != 0) {
        output("\nFE WRITE Reg=0x%04X Data=%02X\n", static_cast<unsigned>(fe_reg_request.write_reg),
               static_cast<unsigned>(fe_reg_request.write_value));
        // The echo must reach a shared pipe or file before any error line
        // does. If it cannot, the write is still made: the run has gone too
        // far to leave the card's state to the fate of a pipe.
        output_flush();
        int32_t status =
            velkaro_fe_reg_write(chan_fd, fe_reg_request.write_reg,
                                 static_cast<uint8_t>(fe_reg_request.write_value & 0xFFU));
        if (status != 0) {
            fprintf(stderr, "Error, velkaro_fe_reg_write failed %i\n", static_cast<int>(status));
            return status;
        }
    }
    return 0;
}
