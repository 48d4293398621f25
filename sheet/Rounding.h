// Rounding rules shared by the sheet engine: nearest with ties to even, and truncation of long doubles.
#pragma once

#include <cmath>
#include <limits>

// The nearest integer, ties to even (2.5 gives 2, 3.5 gives 4); values beyond int saturate.
inline int RoundHalfEven(double value)
{
    if (!(value > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (!(value < std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
        return static_cast<int>(floor) + 1;
    return static_cast<int>(floor);
}
