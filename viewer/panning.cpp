// The zoom steps, the fit, centring, and how the bars' 16-bit values stand for the pan offset.

#include "viewer/frmPicture.h"

#include <algorithm>
#include <cmath>

namespace tl {

namespace {
    // Zoom steps, as powers of the square root of 2: 1/32 to 8.
    constexpr int SmallestStep = -10;
    constexpr int LargestStep = 6;
} // namespace

double zoomStep(double zoom, int direction)
{
    const double step = 2 * std::log2(zoom);
    const double next = direction > 0 ? std::floor(step + 1e-6) + 1 : std::ceil(step - 1e-6) - 1;
    return std::exp2(std::clamp<double>(next, SmallestStep, LargestStep) / 2);
}

double fitZoom(const frmPicture& form)
{
    const QSizeF natural = form.Image1.naturalTwips();
    if (natural.isEmpty())
        return 1;
    const double zoom
        = std::min(form.Picture1.ScaleWidth() / natural.width(), form.Picture1.ScaleHeight() / natural.height());
    return std::clamp(zoom, std::exp2(SmallestStep / 2.0), 1.0);
}

QPoint centringMargin(const frmPicture& form)
{
    if (!form.centresPicture() || form.Image1.Picture().isEmpty())
        return {};
    return QPoint(std::max(form.Picture1.ScaleWidth() - form.Image1.Width(), 0) / 2,
        std::max(form.Picture1.ScaleHeight() - form.Image1.Height(), 0) / 2);
}

int panOffset(Int16 value, int reach)
{
    if (reach <= Int16Max)
        return value;
    return static_cast<int>(std::nearbyint(static_cast<double>(value) * reach / Int16Max));
}

Int16 barValue(double offset, int reach)
{
    const double value = reach <= Int16Max ? offset : offset * Int16Max / reach;
    return toInt16(std::clamp(value, 0.0, double(Int16Max)));
}

namespace {
    // One bar's range from the overhang in its direction. An overhang that a 16-bit range cannot
    // hold is either a picture smaller than the viewport (range 0) or one larger than the range:
    // then the whole range stands for the whole overhang.
    void fitBar(ScrollBar& bar, int& reach, int overhang)
    {
        reach = std::max(overhang, 0);
        if (overhang > Int16Max) {
            bar.setMax(static_cast<Int16>(Int16Max));
        } else if (overhang < Int16Min) {
            bar.setMax(0);
        } else {
            bar.setMax(toInt16(overhang));
            if (bar.Max() < 0)
                bar.setMax(0);
        }
    }
} // namespace

void fitScrollRanges(frmPicture& form)
{
    // The empty picture leaves its control the size it had, but there is nothing to scroll to.
    const bool empty = form.Image1.Picture().isEmpty();
    fitBar(form.VScroll1, form.vReach, empty ? 0 : form.Image1.Height() - form.Picture1.ScaleHeight());
    fitBar(form.HScroll1, form.hReach, empty ? 0 : form.Image1.Width() - form.Picture1.ScaleWidth());
    // A bar whose value stayed may now stand for a different offset: the picture follows.
    form.VScroll1_Change();
    form.HScroll1_Change();
}

} // namespace tl
