#include "common/rounding.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Rounding, HalfToEvenAndRefusesWhatDoesNotFit)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        double value;
        std::optional<int16_t> expected;
    } cases16[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {2.5000001, 3}, {-7.6, -8},
        {32767.4, 32767}, {32767.5, std::nullopt}, {-32768.5, -32768}, {-32768.6, std::nullopt}, {kNaN, std::nullopt},
    };
    for (const auto &c : cases16)
        EXPECT_EQ(toInt16HalfEven(c.value), c.expected) << c.value;
    const struct
    {
        double value;
        std::optional<int32_t> expected;
    } cases32[] = {
        {40000.5, 40000}, {40001.5, 40002}, {2147483646.5, 2147483646}, {2147483647.5, std::nullopt},
        {-2147483648.5, -2147483647 - 1}, {kNaN, std::nullopt},
    };
    for (const auto &c : cases32)
        EXPECT_EQ(toInt32HalfEven(c.value), c.expected) << c.value;
}
