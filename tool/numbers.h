// The two conversions of command-line numbers.
#ifndef NUMBERS_H
#define NUMBERS_H

#include <cstdint>

// Span and channel: leading white space, an optional sign, decimal digits up
// to the first other character. No digits gives 0; out of range saturates at
// the 32-bit signed bounds, as atoi does where long is 32 bits.
int32_t decimal_number(const char *text);

// Register and value, as "%x" reads them: leading white space, an optional
// sign, an optional 0x or 0X, hexadecimal digits of either case. A negative
// number wraps modulo 2^32; a magnitude beyond 32 bits gives 0xFFFFFFFF.
// Returns 1 when at least one digit was read, else 0 with *value set to 0.
int hex_number(const char *text, uint32_t *value);

#endif
