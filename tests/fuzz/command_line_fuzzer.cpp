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

    const fe_reg_req untouched = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    fe_reg_req req = untouched;
    int32_t span = 7;
    int32_t chan = 7;
    int result = read_command_line(argc, argv, &req, &span, &chan);

    // What the command line should give, worked out from the references.
    int want = command_not_understood;
    fe_reg_req want_req{};
    const char *keyword = argc >= 4 ? argv[3] : "";
    if (argc >= 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0 ||
                      strcmp(argv[1], "/?") == 0)) {
        want = command_help;
    } else if (argc >= 2 && strcmp(argv[1], "--version") == 0) {
        want = command_version;
    } else if (argc < 4) {
        want = command_too_short;
    } else if (strcmp(keyword, "-fe_reg_read") == 0) {
        if (argc >= 5 && reference_hex(argv[4], &want_req.read_reg)) {
            want_req.do_read = 1;
            want = command_request;
        }
    } else if (strcmp(keyword, "-fe_reg_write") == 0) {
        if (argc >= 6 && reference_hex(argv[4], &want_req.write_reg) &&
            reference_hex(argv[5], &want_req.write_value)) {
            want_req.do_write = 1;
            want = command_request;
        }
    } else if (strcmp(keyword, "-fe_reg_dump") == 0) {
        uint32_t first = 0;
        uint32_t last = 0;
        if (argc >= 5 && reference_hex(argv[4], &first) &&
            (argc < 6 || reference_hex(argv[5], &last))) {
            if (argc < 6)
                last = first > 0xFFFFFFFFU - 255U ? 0xFFFFFFFFU : first + 255U;
            if (last < first) {
                want = command_dump_backwards;
            } else if (static_cast<uint64_t>(last) - first + 1 > 65536U) {
                want = command_dump_too_long;
            } else {
                want = command_request;
                want_req.do_dump = 1;
                want_req.dump_first = first;
                want_req.dump_last = last;
            }
        }
    } else if (strcmp(keyword, "-fe_reg_modify") == 0) {
        if (argc >= 7 && reference_hex(argv[4], &want_req.modify_reg) &&
            reference_hex(argv[5], &want_req.modify_value) &&
            reference_hex(argv[6], &want_req.modify_mask)) {
            want_req.do_modify = 1;
            want = command_request;
        }
    }

    if (result != want)
        fail("command line answered otherwise than its references say", keyword);
    if (result != command_request) {
        if (memcmp(&req, &untouched, sizeof req) != 0 || span != 7 || chan != 7)
            fail("refused command line changed the request", nullptr);
        return 0;
    }
    if (span != reference_decimal(argv[1]) || chan != reference_decimal(argv[2]))
        fail("span or channel differs from strtoll", argv[1]);
    if (memcmp(&req, &want_req, sizeof req) != 0)
        fail("request differs from its references", keyword);
    return 0;
}
