#include "fe_reg.h"

int32_t fe_reg_modify(uint32_t reg, uint32_t value, uint32_t mask)
{
    uint8_t old = 0;
    int32_t status = fe_reg_read(reg, &old);
    if (status != 0)
        return status;
    // The write is made even when nothing changes: writing a register can
    // have effects of its own, and the engineer asked for one.
    uint32_t keep = old & ~mask & 0xFFU;
    return fe_reg_write(reg, keep | (value & mask & 0xFFU));
}
