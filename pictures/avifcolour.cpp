// The colours an AVIF's picture is in: its embedded profile, else its coded primaries and transfer made
// into one. The matrix and range that made the samples are undone when they are turned into RGB.

#include "pictures/avifpicture.h"
#include "pictures/colour.h"
#include "pictures/colourtags.h"

namespace tl {

namespace {

    constexpr QPointF D65 { 0.3127, 0.3290 };
    constexpr QPointF IlluminantC { 0.310, 0.316 };

    struct Primaries {
        QPointF red, green, blue, white;
    };

    // The chromaticities of the coded primaries; false for sRGB's, unspecified, or ones that cannot
    // be made into a profile (XYZ's).
    bool primariesOf(avifColorPrimaries coded, Primaries& out)
    {
        switch (coded) {
        case AVIF_COLOR_PRIMARIES_BT470M:
            out = { { 0.67, 0.33 }, { 0.21, 0.71 }, { 0.14, 0.08 }, IlluminantC };
            return true;
        case AVIF_COLOR_PRIMARIES_BT470BG:
            out = { { 0.64, 0.33 }, { 0.29, 0.60 }, { 0.15, 0.06 }, D65 };
            return true;
        case AVIF_COLOR_PRIMARIES_BT601:
        case AVIF_COLOR_PRIMARIES_SMPTE240:
            out = { { 0.630, 0.340 }, { 0.310, 0.595 }, { 0.155, 0.070 }, D65 };
            return true;
        case AVIF_COLOR_PRIMARIES_GENERIC_FILM:
            out = { { 0.681, 0.319 }, { 0.243, 0.692 }, { 0.145, 0.049 }, IlluminantC };
            return true;
        case AVIF_COLOR_PRIMARIES_BT2020:
            out = { { 0.708, 0.292 }, { 0.170, 0.797 }, { 0.131, 0.046 }, D65 };
            return true;
        case AVIF_COLOR_PRIMARIES_SMPTE431: // DCI-P3, with the projector's white
            out = { { 0.680, 0.320 }, { 0.265, 0.690 }, { 0.150, 0.060 }, { 0.314, 0.351 } };
            return true;
        case AVIF_COLOR_PRIMARIES_SMPTE432: // Display P3
            out = { { 0.680, 0.320 }, { 0.265, 0.690 }, { 0.150, 0.060 }, D65 };
            return true;
        case AVIF_COLOR_PRIMARIES_EBU3213:
            out = { { 0.630, 0.340 }, { 0.295, 0.605 }, { 0.155, 0.077 }, D65 };
            return true;
        default:
            return false;
        }
    }

    // How the numbers grow with light. PQ and HLG pictures are not tone-mapped: their numbers are
    // taken through sRGB's curve, so only their primaries are converted and their tones stay as coded.
    // So with the logarithmic curves and the unspecified one.
    void curveOf(avifTransferCharacteristics coded, Colorimetry& c)
    {
        switch (coded) {
        case AVIF_TRANSFER_CHARACTERISTICS_BT709:
        case AVIF_TRANSFER_CHARACTERISTICS_BT601:
        case AVIF_TRANSFER_CHARACTERISTICS_SMPTE240:
        case AVIF_TRANSFER_CHARACTERISTICS_IEC61966:
        case AVIF_TRANSFER_CHARACTERISTICS_BT1361:
        case AVIF_TRANSFER_CHARACTERISTICS_BT2020_10BIT:
        case AVIF_TRANSFER_CHARACTERISTICS_BT2020_12BIT:
            c.curve = ToneCurve::Rec709;
            break;
        case AVIF_TRANSFER_CHARACTERISTICS_LINEAR:
            c.curve = ToneCurve::Linear;
            break;
        case AVIF_TRANSFER_CHARACTERISTICS_BT470M:
            c.curve = ToneCurve::Power;
            c.gamma = 2.2;
            break;
        case AVIF_TRANSFER_CHARACTERISTICS_BT470BG:
            c.curve = ToneCurve::Power;
            c.gamma = 2.8;
            break;
        default:
            c.curve = ToneCurve::Srgb;
            break;
        }
    }

} // namespace

QByteArray avifColourProfile(const avifImage& image)
{
    if (image.icc.size > 0) {
        if (image.icc.size > size_t(ColourProfileLimit))
            return {};
        return QByteArray(reinterpret_cast<const char*>(image.icc.data), qsizetype(image.icc.size));
    }
    Colorimetry c;
    Primaries primaries;
    const bool ownPrimaries = primariesOf(image.colorPrimaries, primaries);
    if (ownPrimaries) {
        c.red = primaries.red;
        c.green = primaries.green;
        c.blue = primaries.blue;
        c.white = primaries.white;
    }
    curveOf(image.transferCharacteristics, c);
    if (!ownPrimaries && c.curve == ToneCurve::Srgb)
        return {}; // sRGB's numbers
    return rgbProfileFor(c);
}

} // namespace tl
