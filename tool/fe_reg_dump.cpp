#include <cstdio>

#include "fe_reg.h"
#include "output.h"
#include "velkaro.h"

// Hex digits of a row label: four, or as many as the last row's needs, so
// that every label of a table is as wide.
static int label_digits(uint32_t last_row)
{
    int digits = 4;
    while (digits < 8 && (last_row >> (4 * digits)) != 0)
        digits++;
    return digits;
}

int32_t fe_reg_dump(uint32_t first, uint32_t last)
{
    int digits = label_digits(last & ~0xFU);
    // "0x", the digits and ":" above the labels; a column's digit above the
    // last digit of its cells.
    output("\n%*s", digits + 3, "");
    for (unsigned column = 0; column < 16; column++)
        output("  %X", column);
    output("\n");

    int32_t first_failure = 0;
    // 64 bits, so that the loop ends after register 0xFFFFFFFF.
    for (uint64_t reg = first; reg <= last; reg++) {
        uint32_t at = static_cast<uint32_t>(reg);
        if (reg == first || at % 16 == 0) {
            if (reg != first)
                output("\n");
            output("0x%0*X:", digits, static_cast<unsigned>(at & ~0xFU));
            for (uint32_t blank = at & ~0xFU; blank < at; blank++)
                output("   ");
        }
        uint8_t data = 0;
        int32_t status = velkaro_fe_reg_read(chan_fd, at, &data);
        if (status == 0) {
            output(" %02X", static_cast<unsigned>(data));
        } else {
            output(" XX");
            if (first_failure == 0)
                first_failure = status;
        }
    }
    output("\n");

    if (first_failure != 0) {
        // The whole table before the error line, on a merged stream too.
        output_flush();
        report_read_failure(first_failure);
    }
    return first_failure;
}
