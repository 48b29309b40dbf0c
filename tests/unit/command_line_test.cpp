#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "command_line.h"

namespace
{

struct Outcome {
    int code;
    fe_reg_req request;
    int32_t span;
    int32_t chan;
};

// Sentinels show whether the outputs were touched.
const fe_reg_req untouched = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7};

Outcome classify(std::vector<const char *> args)
{
    args.insert(args.begin(), "feregtool");
    Outcome o{-1, untouched, 7, 7};
    o.code =
        read_command_line(static_cast<int>(args.size()), args.data(), &o.request, &o.span, &o.chan);
    return o;
}

TEST(ReadCommandLine, FormsARequest)
{
    Outcome o = classify({"2x", "010", "-fe_reg_read", "0x1F", "ignored"});
    EXPECT_EQ(o.code, command_request);
    EXPECT_EQ(o.span, 2);
    EXPECT_EQ(o.chan, 10);
    EXPECT_EQ(o.request.do_read, 1);
    EXPECT_EQ(o.request.read_reg, 0x1FU);
    EXPECT_EQ(o.request.do_write, 0);
    EXPECT_EQ(o.request.write_reg, 0U);
    EXPECT_EQ(o.request.write_value, 0U);

    o = classify({"x", "-3", "-fe_reg_write", "20", "1ff", "zz"});
    EXPECT_EQ(o.code, command_request);
    EXPECT_EQ(o.span, 0);
    EXPECT_EQ(o.chan, -3);
    EXPECT_EQ(o.request.do_read, 0);
    EXPECT_EQ(o.request.read_reg, 0U);
    EXPECT_EQ(o.request.do_write, 1);
    EXPECT_EQ(o.request.write_reg, 0x20U);
    EXPECT_EQ(o.request.write_value, 0x1FFU);
}

struct RefusedCase {
    std::vector<const char *> args;
    int code;
};

TEST(ReadCommandLine, RefusesWithoutTouchingTheOutputs)
{
    const RefusedCase cases[] = {
        {{}, command_too_short},
        {{"1"}, command_too_short},
        {{"1", "3"}, command_too_short},
        {{"1", "3", "-fe_reg_read"}, command_not_understood},
        {{"1", "3", "-fe_reg_write", "20"}, command_not_understood},
        {{"1", "3", "-FE_REG_READ", "1f"}, command_not_understood},
        {{"1", "3", "-fe_reg_rea", "1f"}, command_not_understood},
        {{"1", "3", "-fe_reg_read ", "1f"}, command_not_understood},
        {{"1", "3", "", "1f", "2"}, command_not_understood},
        {{"1", "3", "-fe_reg_read", "g"}, command_not_understood},
        {{"1", "3", "-fe_reg_read", ""}, command_not_understood},
        {{"1", "3", "-fe_reg_write", "reg20", "5"}, command_not_understood},
        {{"1", "3", "-fe_reg_write", "20", "-"}, command_not_understood},
    };
    for (const auto &c : cases) {
        Outcome o = classify(c.args);
        EXPECT_EQ(o.code, c.code) << c.args.size() << " arguments";
        EXPECT_EQ(o.span, 7);
        EXPECT_EQ(o.chan, 7);
        EXPECT_EQ(memcmp(&o.request, &untouched, sizeof untouched), 0);
    }
}

struct DumpCase {
    std::vector<const char *> args;
    int code;
    uint32_t first;
    uint32_t last;
};

TEST(ReadCommandLine, DumpRange)
{
    const DumpCase cases[] = {
        {{"1", "3", "-fe_reg_dump", "1c", "23"}, command_request, 0x1C, 0x23},
        {{"1", "3", "-fe_reg_dump", "1c", "1c"}, command_request, 0x1C, 0x1C},
        {{"1", "3", "-fe_reg_dump", "0x100"}, command_request, 0x100, 0x1FF},
        {{"1", "3", "-fe_reg_dump", "ffffff80"}, command_request, 0xFFFFFF80, 0xFFFFFFFF},
        {{"1", "3", "-fe_reg_dump", "-1"}, command_request, 0xFFFFFFFF, 0xFFFFFFFF},
        {{"1", "3", "-fe_reg_dump", "0", "ffff", "zz"}, command_request, 0, 0xFFFF},
        {{"1", "3", "-fe_reg_dump", "ffff0000", "-1"}, command_request, 0xFFFF0000, 0xFFFFFFFF},
        {{"1", "3", "-fe_reg_dump", "0", "10000"}, command_dump_too_long, 0, 0},
        {{"1", "3", "-fe_reg_dump", "0", "-1"}, command_dump_too_long, 0, 0},
        {{"1", "3", "-fe_reg_dump", "20", "1f"}, command_dump_backwards, 0, 0},
        {{"1", "3", "-fe_reg_dump"}, command_not_understood, 0, 0},
        {{"1", "3", "-fe_reg_dump", "g"}, command_not_understood, 0, 0},
        {{"1", "3", "-fe_reg_dump", "20", ""}, command_not_understood, 0, 0},
        // A last register of no digit is refused before the range is.
        {{"1", "3", "-fe_reg_dump", "20", "zz"}, command_not_understood, 0, 0},
    };
    for (const auto &c : cases) {
        Outcome o = classify(c.args);
        std::string line = c.args.size() > 4 ? c.args[4] : "";
        EXPECT_EQ(o.code, c.code) << c.args[3] << " " << line;
        if (c.code != command_request) {
            EXPECT_EQ(memcmp(&o.request, &untouched, sizeof untouched), 0) << line;
            continue;
        }
        fe_reg_req want{};
        want.do_dump = 1;
        want.dump_first = c.first;
        want.dump_last = c.last;
        EXPECT_EQ(memcmp(&o.request, &want, sizeof want), 0) << line;
    }
}

TEST(ReadCommandLine, Modify)
{
    Outcome o = classify({"1", "3", "-fe_reg_modify", "0x20", "1ff", "f", "zz"});
    ASSERT_EQ(o.code, command_request);
    fe_reg_req want{};
    want.do_modify = 1;
    want.modify_reg = 0x20;
    want.modify_value = 0x1FF;
    want.modify_mask = 0xF;
    EXPECT_EQ(memcmp(&o.request, &want, sizeof want), 0);

    const std::vector<const char *> refused[] = {
        {"1", "3", "-fe_reg_modify", "20", "1"},
        {"1", "3", "-fe_reg_modify", "20", "1", ""},
        {"1", "3", "-fe_reg_modify", "x", "1", "f"},
        {"1", "3", "-fe_reg_modify", "20", "-", "f"},
    };
    for (const auto &args : refused)
        EXPECT_EQ(classify(args).code, command_not_understood) << args.size() << " arguments";
}

TEST(ReadCommandLine, HelpAndVersionOnlyAsArgumentOne)
{
    const RefusedCase cases[] = {
        {{"--help"}, command_help},
        {{"-h"}, command_help},
        {{"/?"}, command_help},
        {{"--help", "3", "-fe_reg_read", "1f"}, command_help},
        {{"--version"}, command_version},
        {{"--version", "--help"}, command_version},
        {{"--HELP"}, command_too_short},
        {{"-help"}, command_too_short},
        {{"--help "}, command_too_short},
        {{"1", "--help"}, command_too_short},
        {{"1", "3", "--version", "1f"}, command_not_understood},
    };
    for (const auto &c : cases) {
        Outcome o = classify(c.args);
        EXPECT_EQ(o.code, c.code) << c.args[0];
        EXPECT_EQ(memcmp(&o.request, &untouched, sizeof untouched), 0);
    }
}

} // namespace
