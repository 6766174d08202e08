#include "platform/twips.h"

#include <cmath>

namespace tl {

int toPixels(int twips) { return static_cast<int>(std::lround(twips / static_cast<double>(TwipsPerPixel))); }

Int16 toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        throw OverflowError();
    return static_cast<Int16>(rounded);
}

} // namespace tl
