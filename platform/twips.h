#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace tl {

// Every place and size of every window and control is in twips.
constexpr int TwipsPerPixel = 15;

// Twips to logical pixels, to the nearest pixel.
int toPixels(int twips);

// Scroll ranges, values and positions are 16-bit signed integers.
using Int16 = std::int16_t;
constexpr int Int16Max = std::numeric_limits<Int16>::max();
constexpr int Int16Min = std::numeric_limits<Int16>::min();

struct OverflowError : std::range_error {
    OverflowError()
        : std::range_error("overflow")
    {
    }
};

// A fraction converted to a 16-bit integer: nearest, a half going to the even neighbour.
// Leaving Int16Min..Int16Max is an overflow error, never a wrap-around.
Int16 toInt16(double value);

} // namespace tl
