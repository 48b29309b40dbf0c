#include <cstdint>
#include <gtest/gtest.h>
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

Outcome classify(std::vector<const char *> args)
{
    args.insert(args.begin(), "feregtool");
    // Sentinels show whether the outputs were touched.
    Outcome o{-1, {7, 7, 7, 7, 7}, 7, 7};
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
        EXPECT_EQ(o.request.do_read, 7);
        EXPECT_EQ(o.request.do_write, 7);
    }
}

} // namespace
