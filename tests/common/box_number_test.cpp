#include "common/box_number.h"

#include <gtest/gtest.h>

#include <optional>

TEST(BoxNumber, LeadingNumberRoundedHalfToEven)
{
    const struct
    {
        const char *text;
        std::optional<qint64> value;
        bool numeric;
    } cases[] = {
        {"12abc", 12, false},  {"", 0, false},         {"abc", 0, false},     {"0.4", 0, true},
        {"2.5", 2, true},      {"3.5", 4, true},       {"-2.5", -2, true},    {"-0.5", 0, true},
        {" 1 2 ", 12, true},   {"65535", 65535, true}, {"65536", 65536, true}, {"-1", -1, true},
        {"1e3", 1000, true},   {"1E", 1, false},       {"2D2", 200, true},    {".5", 0, true},
        {"1.5.5", 2, false},   {"+7", 7, true},        {".", 0, false},       {"-", 0, false},
        {"255.5", 256, true},  {"1e400", std::nullopt, true}, {"-1e400", std::nullopt, true},
        {"99999999999999999999", std::nullopt, true}, {"٣", 0, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(boxInteger(QString::fromUtf8(c.text)), c.value) << c.text;
        EXPECT_EQ(isNumericText(QString::fromUtf8(c.text)), c.numeric) << c.text;
    }
    EXPECT_DOUBLE_EQ(leadingNumber("2.75kW"), 2.75);
}
