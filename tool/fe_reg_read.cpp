#include <cstdio>

#include "fe_reg.h"
#include "output.h"
#include "velkaro.h"

void report_read_failure(int32_t status)
{
    fprintf(stderr, "Error, velkaro_fe_reg_read failed %i\n", static_cast<int>(status));
}

int32_t fe_reg_read(uint32_t reg, uint8_t *data)
{
    int32_t status = velkaro_fe_reg_read(chan_fd, reg, data);
    if (status != 0) {
        report_read_failure(status);
        return status;
    }
    output("\nFE READ Reg=0x%04X Data=%02X\n", static_cast<unsigned>(reg),
           static_cast<unsigned>(*data));
    return 0;
}
