// The picture window on a 48-megapixel photo (8000 x 6000): drawing one viewport, a pan step and a
// zoom step at each zoom level, each as a ratio to the same at the natural size, and the memory the
// window holds above the decoded picture.

#include "benchutil.h"
#include "viewer/frmPicture.h"

#include <QPainter>
#include <cmath>

namespace {

// A photo's worth of detail: a colour ramp crossed by fine lines, so that no scaling is trivial.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 255 / width, y * 255 / height, ((x ^ y) & 7) * 32);
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    tl::frmPicture& w = tl::Window<tl::frmPicture>().Show();
    tl::StdPicture picture(photo(8000, 6000));
    w.Image1.setPicture(picture);
    tl::fitScrollRanges(w);
    QWidget* viewport = w.Picture1.inner();
    const auto draw = [&] { viewport->grab(); };
    draw();
    const double held = bench::restartPeakMemory();
    const double viewportBytes = viewport->grab().toImage().sizeInBytes();
    std::printf("picture 8000 x 6000 (%.0f MB decoded), viewport %d x %d\n", picture.image().sizeInBytes() / 1e6,
        viewport->width(), viewport->height());

    const auto atZoom = [&](double zoom) {
        w.Image1.setZoom(zoom);
        tl::fitScrollRanges(w);
        w.HScroll1.setValue(w.HScroll1.Max() / 3);
        w.VScroll1.setValue(w.VScroll1.Max() / 3);
    };
    const auto panStep = [&] {
        w.HScroll1.setValue(
            static_cast<tl::Int16>(w.HScroll1.Value() + (w.HScroll1.Value() < w.HScroll1.Max() ? 100 : -100)));
        draw();
    };
    double worstDraw = 0, largestCopy = 0;
    for (int step = 6; step >= -10; --step) {
        const double zoom = step == -10 ? tl::fitZoom(w) : std::exp2(step / 2.0);
        char what[64];
        std::snprintf(what, sizeof what, "draw the viewport at zoom %.3f", zoom);
        atZoom(zoom);
        draw();
        const double ratio = bench::compare(
            what, 15, [&] { atZoom(1), draw(); }, [&] { atZoom(zoom), draw(); });
        worstDraw = std::max(worstDraw, ratio);
        std::snprintf(what, sizeof what, "  a pan step and its drawing at %.3f", zoom);
        bench::compare(
            what, 15, [&] { atZoom(1), panStep(); }, [&] { atZoom(zoom), panStep(); });
        largestCopy = std::max(largestCopy, double(w.Image1.reducedCopy().sizeInBytes()));
    }
    atZoom(1);
    bench::compare(
        "a zoom step (Ctrl++ and Ctrl+-) and its drawing", 9, [&] { w.HScroll1.setValue(200), draw(); },
        [&] {
            w.zoomOut();
            draw();
            w.zoomIn();
            draw();
        });
    std::printf("worst drawing ratio %.2f (target 3 or less)\n", worstDraw);
    std::printf("largest reduced copy %.2f MB, the viewport %.2f MB: %.2f viewports\n", largestCopy / 1e6,
        viewportBytes / 1e6, largestCopy / viewportBytes);
    std::printf("peak memory above the picture put in and drawn once: %.1f MB\n", (bench::peakMemory() - held) / 1e6);
    w.Unload();
    return 0;
}
