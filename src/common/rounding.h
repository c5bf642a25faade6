#pragma once

#include <cstdint>
#include <optional>

// Measured values go into whole-number fields (settings, packets, table
// columns) by rounding half to even, so repeated conversions do not drift
// upwards. A value that does not fit, or is NaN, gives no result instead of a
// wrapped or clamped number that would silently corrupt the field.
std::optional<int16_t> toInt16HalfEven(double value);
std::optional<int32_t> toInt32HalfEven(double value);

// The nearest whole number, ties to the even one; NaN and infinities stay.
double roundHalfEven(double value);
