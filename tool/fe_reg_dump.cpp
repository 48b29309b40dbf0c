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

// A row: "0x" and the label's digits, a colon, then a cell of three
// characters for each of 16 registers.
const int row_size = 2 + 8 + 1 + 16 * 3 + 1;

static void put_hex(char *at, uint32_t value, int digits)
{
    const char hex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; i--) {
        at[i] = hex[value & 0xFU];
        value >>= 4;
    }
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

    // Each row is put together here and printed whole: a dump is meant to
    // cost about what one read costs.
    char row[row_size];
    int length = 0;
    int32_t first_failure = 0;
    // 64 bits, so that the loop ends after register 0xFFFFFFFF.
    for (uint64_t reg = first; reg <= last; reg++) {
        uint32_t at = static_cast<uint32_t>(reg);
        if (reg == first || at % 16 == 0) {
            if (reg != first)
                output("%.*s\n", length, row);
            row[0] = '0';
            row[1] = 'x';
            put_hex(row + 2, at & ~0xFU, digits);
            row[2 + digits] = ':';
            length = 3 + digits;
            for (uint32_t blank = at & ~0xFU; blank < at; blank++, length += 3)
                row[length] = row[length + 1] = row[length + 2] = ' ';
        }
        uint8_t data = 0;
        int32_t status = velkaro_fe_reg_read(chan_fd, at, &data);
        row[length] = ' ';
        if (status == 0) {
            put_hex(row + length + 1, data, 2);
        } else {
            row[length + 1] = row[length + 2] = 'X';
            if (first_failure == 0)
                first_failure = status;
        }
        length += 3;
    }
    output("%.*s\n", length, row);

    if (first_failure != 0) {
        // The whole table before the error line, on a merged stream too.
        output_flush();
        report_read_failure(first_failure);
    }
    return first_failure;
}
