#include "numbers.h"

#include <cstdint>

static int is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Steps over leading white space and a sign; returns 1 for a minus.
static int skip_space_and_sign(const char **p)
{
    while (is_space(**p))
        (*p)++;
    int negative = **p == '-';
    if (**p == '+' || **p == '-')
        (*p)++;
    return negative;
}

int32_t decimal_number(const char *text)
{
    const char *p = text;
    int negative = skip_space_and_sign(&p);

    const uint32_t limit = negative ? 2147483648U : 2147483647U;
    uint32_t magnitude = 0;
    int overflow = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        auto digit = static_cast<uint32_t>(*p - '0');
        if (magnitude > (limit - digit) / 10U)
            overflow = 1;
        else if (!overflow)
            magnitude = magnitude * 10U + digit;
    }

    if (overflow)
        return negative ? INT32_MIN : INT32_MAX;
    if (!negative)
        return static_cast<int32_t>(magnitude);
    if (magnitude == 2147483648U)
        return INT32_MIN;
    return -static_cast<int32_t>(magnitude);
}

int hex_number(const char *text, uint32_t *value)
{
    *value = 0;
    const char *p = text;
    int negative = skip_space_and_sign(&p);
    // A bare "0x" reads as the digit 0 followed by other text.
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit(p[2]) >= 0)
        p += 2;

    uint32_t magnitude = 0;
    int digits = 0;
    int overflow = 0;
    for (; hex_digit(*p) >= 0; p++) {
        if (magnitude > 0x0FFFFFFFU)
            overflow = 1;
        else
            magnitude = (magnitude << 4) | static_cast<uint32_t>(hex_digit(*p));
        digits++;
    }

    if (digits == 0)
        return 0;
    if (overflow)
        *value = 0xFFFFFFFFU;
    else
        *value = negative ? 0U - magnitude : magnitude;
    return 1;
}
