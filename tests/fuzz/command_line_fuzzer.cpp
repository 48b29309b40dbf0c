// Fuzzes the command-line reading: the input is split at NUL bytes into
// arguments, and every outcome is checked against reference conversions
// built on the C library's strtoll and strtoull.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command_line.h"
#include "numbers.h"

namespace
{

const int max_args = 8;
const char *const read_keyword = "-fe_reg_read";
const char *const write_keyword = "-fe_reg_write";

void fail(const char *what, const char *arg)
{
    fprintf(stderr, "broken property: %s (argument \"%s\")\n", what, arg != nullptr ? arg : "");
    abort();
}

int32_t reference_decimal(const char *text)
{
    errno = 0;
    long long v = strtoll(text, nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Returns 1 with the value when strtoull finds a digit, else 0.
int reference_hex(const char *text, uint32_t *value)
{
    char *end = nullptr;
    errno = 0;
    unsigned long long v = strtoull(text, &end, 16);
    if (end == text)
        return 0;
    int overflow = errno == ERANGE;
    const char *p = text;
    while (isspace(static_cast<unsigned char>(*p)))
        p++;
    int negative = *p == '-';
    // strtoull has negated a negative number in 64 bits; undo that to see
    // whether its magnitude fits in 32.
    unsigned long long magnitude = negative ? 0ULL - v : v;
    if (overflow || magnitude > 0xFFFFFFFFULL)
        *value = 0xFFFFFFFFU;
    else
        *value = static_cast<uint32_t>(negative ? 0ULL - magnitude : magnitude);
    return 1;
}

void check_number(const char *text)
{
    if (decimal_number(text) != reference_decimal(text))
        fail("decimal conversion differs from strtoll", text);
    uint32_t got = 0;
    uint32_t want = 0;
    int got_digit = hex_number(text, &got);
    int want_digit = reference_hex(text, &want);
    if (got_digit != want_digit)
        fail("hex digit detection differs from strtoull", text);
    if (got != (want_digit ? want : 0U))
        fail("hex conversion differs from strtoull", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One buffer holds every argument, each ending at its NUL.
    static char buffer[4096];
    if (size >= sizeof buffer)
        return 0;
    memcpy(buffer, data, size);
    buffer[size] = '\0';

    const char *argv[max_args + 1] = {"feregtool"};
    int argc = 1;
    size_t at = 0;
    while (argc < max_args) {
        argv[argc++] = buffer + at;
        at += strlen(buffer + at) + 1;
        if (at > size)
            break;
    }
    argv[argc] = nullptr;

    for (int i = 1; i < argc; i++)
        check_number(argv[i]);

    const fe_reg_req untouched = {7, 7, 7, 7, 7};
    fe_reg_req req = untouched;
    int32_t span = 7;
    int32_t chan = 7;
    int result = read_command_line(argc, argv, &req, &span, &chan);

    int is_read = argc >= 4 && strcmp(argv[3], read_keyword) == 0;
    int is_write = argc >= 4 && strcmp(argv[3], write_keyword) == 0;
    uint32_t reg = 0;
    uint32_t value = 0;
    int well_formed =
        (is_read && argc >= 5 && reference_hex(argv[4], &reg)) ||
        (is_write && argc >= 6 && reference_hex(argv[4], &reg) && reference_hex(argv[5], &value));

    if (argc < 4) {
        if (result != command_too_short)
            fail("short command line not answered with the short usage", nullptr);
    } else if (!well_formed) {
        if (result != command_not_understood)
            fail("ill-formed command line not refused", argv[3]);
    } else if (result != command_request) {
        fail("well-formed command line refused", argv[3]);
    }

    if (result != command_request) {
        if (memcmp(&req, &untouched, sizeof req) != 0 || span != 7 || chan != 7)
            fail("refused command line changed the request", nullptr);
        return 0;
    }

    if (span != reference_decimal(argv[1]) || chan != reference_decimal(argv[2]))
        fail("span or channel differs from strtoll", argv[1]);
    if (is_read && (req.do_read != 1 || req.do_write != 0 || req.read_reg != reg ||
                    req.write_reg != 0 || req.write_value != 0))
        fail("read request wrong", argv[4]);
    if (is_write && (req.do_write != 1 || req.do_read != 0 || req.read_reg != 0 ||
                     req.write_reg != reg || req.write_value != value))
        fail("write request wrong", argv[4]);
    return 0;
}
