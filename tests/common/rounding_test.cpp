#include "common/rounding.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace

TEST(Rounding, Int16RoundsHalfToEvenAndRefusesWhatDoesNotFit)
{
    const struct
    {
        double value;
        std::optional<int16_t> expected;
    } cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2},
        {2.4999999, 2}, {2.5000001, 3}, {-0.4, 0}, {-7.6, -8},
        {32767.4, 32767}, {32767.5, std::nullopt}, {-32768.5, -32768}, {-32768.6, std::nullopt},
        {1e9, std::nullopt}, {kNaN, std::nullopt}, {kInf, std::nullopt}, {-kInf, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(toInt16HalfEven(c.value), c.expected);
    }
}

TEST(Rounding, Int32RoundsHalfToEvenAndRefusesWhatDoesNotFit)
{
    const struct
    {
        double value;
        std::optional<int32_t> expected;
    } cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {40000.5, 40000}, {40001.5, 40002},
        {2147483646.5, 2147483646}, {2147483647.5, std::nullopt},
        {-2147483648.5, -2147483647 - 1}, {-2147483649.0, std::nullopt},
        {1e10, std::nullopt}, {kNaN, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(toInt32HalfEven(c.value), c.expected);
    }
}
