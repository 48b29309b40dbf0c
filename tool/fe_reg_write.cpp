#include <cstdio>

#include "fe_reg.h"
#include "output.h"
#include "velkaro.h"

int32_t fe_reg_write(uint32_t reg, uint32_t value)
{
    output("\nFE WRITE Reg=0x%04X Data=%02X\n", static_cast<unsigned>(reg),
           static_cast<unsigned>(value));
    // The echo must reach a shared pipe or file before any error line
    // does. If it cannot, the write is still made: the run has gone too
    // far to leave the card's state to the fate of a pipe.
    output_flush();
    int32_t status = velkaro_fe_reg_write(chan_fd, reg, static_cast<uint8_t>(value & 0xFFU));
    if (status != 0) {
        fprintf(stderr, "Error, velkaro_fe_reg_write failed %i\n", static_cast<int>(status));
        return status;
    }
    return 0;
}
