#include "pictures/viewscale.h"

#include <algorithm>
#include <cmath>

namespace tl {

double shownZoom(QSize natural, const ShownView& view)
{
    if (!view.fitted)
        return view.zoom;
    const QSize turned = view.turn % 2 ? natural.transposed() : natural;
    if (turned.isEmpty() || view.viewport.isEmpty())
        return 1;
    const double ratio = view.devicePixelRatio;
    return std::min(
        { view.viewport.width() * ratio / turned.width(), view.viewport.height() * ratio / turned.height(), 1.0 });
}

QSize shownSize(QSize natural, const ShownView& view)
{
    const double zoom = shownZoom(natural, view);
    if (natural.isEmpty() || zoom >= 1)
        return {};
    // The whole pixels that cover the zoomed picture; a width a hair past a whole number from the
    // arithmetic of the fit is that number.
    const auto cover = [zoom](int length) { return std::max(int(std::ceil(length * zoom - 1e-6)), 1); };
    return { cover(natural.width()), cover(natural.height()) };
}

bool holdsEnough(QSize held, QSize natural, double zoom)
{
    zoom = std::min(zoom, 1.0); // the natural size is all there is
    return natural.width() * zoom <= held.width() + 0.5 && natural.height() * zoom <= held.height() + 0.5;
}

QSize reducedForView(QSize natural, QSize shown)
{
    if (natural.isEmpty() || shown.isEmpty() || shown.width() >= natural.width() || shown.height() >= natural.height())
        return {};
    const qint64 w = natural.width(), h = natural.height();
    if (std::abs(shown.width() * h - shown.height() * w) <= std::max(w, h))
        return shown;
    const double zoom = std::max(double(shown.width()) / w, double(shown.height()) / h);
    const auto cover = [zoom](qint64 length) { return std::max(int(std::ceil(length * zoom - 1e-6)), 1); };
    return zoom >= 1 ? QSize() : QSize(std::min(cover(w), natural.width()), std::min(cover(h), natural.height()));
}

} // namespace tl
