#include "common/rounding.h"

#include <cmath>
#include <limits>

// Explicit instead of std::nearbyint so the result never depends on the
// floating-point environment's rounding mode.
double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double diff = value - below; // exact for doubles
    if (diff < 0.5)
        return below;
    if (diff > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

namespace {

template<typename Int>
std::optional<Int> toIntHalfEven(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < double(std::numeric_limits<Int>::min())
        || rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

std::optional<int16_t> toInt16HalfEven(double value)
{
    return toIntHalfEven<int16_t>(value);
}

std::optional<int32_t> toInt32HalfEven(double value)
{
    return toIntHalfEven<int32_t>(value);
}
