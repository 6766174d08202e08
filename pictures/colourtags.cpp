#include "pictures/colourtags.h"

#include <cmath>
#include <lcms2.h>
#include <memory>

namespace tl {

namespace {

    struct CurveDeleter {
        void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
    };
    struct ProfileDeleter {
        void operator()(void* profile) const { cmsCloseProfile(profile); }
    };
    using Curve = std::unique_ptr<cmsToneCurve, CurveDeleter>;
    using Profile = std::unique_ptr<void, ProfileDeleter>;

    bool plausible(QPointF xy) { return xy.x() >= 0 && xy.x() <= 1 && xy.y() > 0.001 && xy.y() <= 1; }

    // The curve from numbers to light.
    Curve toneCurve(const Colorimetry& c)
    {
        switch (c.curve) {
        case ToneCurve::Srgb: {
            // Y = ((X + 0.055) / 1.055)^2.4 above 0.04045, X / 12.92 below.
            const double params[] = { 2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045 };
            return Curve(cmsBuildParametricToneCurve(nullptr, 4, params));
        }
        case ToneCurve::Rec709: {
            const double params[] = { 1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081 };
            return Curve(cmsBuildParametricToneCurve(nullptr, 4, params));
        }
        case ToneCurve::Linear:
            return Curve(cmsBuildGamma(nullptr, 1.0));
        case ToneCurve::Power:
            if (!std::isfinite(c.gamma) || c.gamma < 0.1 || c.gamma > 10)
                return {};
            return Curve(cmsBuildGamma(nullptr, c.gamma));
        }
        return {};
    }

    QByteArray saved(const Profile& profile)
    {
        cmsUInt32Number bytes = 0;
        if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &bytes) || bytes == 0)
            return {};
        QByteArray out(qsizetype(bytes), Qt::Uninitialized);
        if (!cmsSaveProfileToMem(profile.get(), out.data(), &bytes))
            return {};
        return out;
    }

    cmsCIExyY xyY(QPointF xy) { return { xy.x(), xy.y(), 1.0 }; }

} // namespace

QByteArray rgbProfileFor(const Colorimetry& c)
{
    if (!plausible(c.white) || !plausible(c.red) || !plausible(c.green) || !plausible(c.blue))
        return {};
    const Curve curve = toneCurve(c);
    if (!curve)
        return {};
    const cmsCIExyY white = xyY(c.white);
    const cmsCIExyYTRIPLE primaries { xyY(c.red), xyY(c.green), xyY(c.blue) };
    cmsToneCurve* curves[3] = { curve.get(), curve.get(), curve.get() };
    return saved(Profile(cmsCreateRGBProfile(&white, &primaries, curves)));
}

QByteArray greyProfileFor(const Colorimetry& c)
{
    if (!plausible(c.white))
        return {};
    const Curve curve = toneCurve(c);
    if (!curve)
        return {};
    const cmsCIExyY white = xyY(c.white);
    return saved(Profile(cmsCreateGrayProfile(&white, curve.get())));
}

} // namespace tl
