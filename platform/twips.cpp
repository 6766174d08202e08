#include "platform/twips.h"

#include <cmath>

namespace tl {

int toPixels(int twips) { return static_cast<int>(std::lround(twips / static_cast<double>(TwipsPerPixel))); }

Int16 toInt16(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= Int16Min && rounded <= Int16Max))
        throw OverflowError();
    return static_cast<Int16>(rounded);
}

} // namespace tl
