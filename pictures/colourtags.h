#pragma once

// Colours a file tags by numbers rather than by an ICC profile: a PNG's gAMA and cHRM chunks, an
// AVIF's coded primaries and transfer. They are made into the profile they describe, which then
// goes through the same conversion to sRGB as an embedded one (and the same cache, by its bytes).

#include <QByteArray>
#include <QPointF>

namespace tl {

// How the numbers of a channel grow with light.
enum class ToneCurve {
    Srgb, // sRGB's own curve (a PNG's sRGB chunk, IEC 61966-2-1)
    Power, // numbers are light to the power 1 / `gamma` (a PNG's gAMA)
    Rec709, // BT.709's and BT.601's camera curve, as AVIF's transfer 1, 6 and 14 mean it
    Linear, // numbers are light (AVIF's transfer 8)
};

struct Colorimetry {
    // Chromaticities (x, y) of the white point and of the three primaries; sRGB's by default.
    QPointF white { 0.3127, 0.3290 };
    QPointF red { 0.64, 0.33 };
    QPointF green { 0.30, 0.60 };
    QPointF blue { 0.15, 0.06 };
    ToneCurve curve = ToneCurve::Srgb;
    double gamma = 2.2; // for ToneCurve::Power: a PNG's gAMA of 45455 is 1 / 0.45455
};

// The ICC profile of an RGB space with these colours; empty when the numbers make none (a primary
// at y = 0, a gamma out of any reasonable range). toSrgb() of it is None when it means sRGB.
QByteArray rgbProfileFor(const Colorimetry& colorimetry);

// The ICC profile of a grey space with this curve (a grey PNG's gAMA); empty as above.
QByteArray greyProfileFor(const Colorimetry& colorimetry);

} // namespace tl
