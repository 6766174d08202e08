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
    // Each figure is the median of 15 at one zoom, against the same at zoom 1 just before it. A repaint
    // draws from what is held; a pan step also makes the reduced copy of the part newly on the screen.
    const auto median = [&](double zoom, const std::function<void()>& work) {
        atZoom(zoom);
        draw();
        std::vector<double> times;
        for (int i = 0; i < 15; ++i)
            times.push_back(bench::seconds(work));
        return bench::median(times);
    };
    const auto report = [](const char* what, double zoom, double ours, double base) {
        char line[64];
        std::snprintf(line, sizeof line, what, zoom);
        std::printf("%-48s %9.4f s   yardstick %9.4f s   ratio %.2f\n", line, ours, base, ours / base);
        return ours / base;
    };
    double worstDraw = 0, worstPan = 0, largestCopy = 0;
    for (int step = 6; step >= -10; --step) {
        const double zoom = step == -10 ? tl::fitZoom(w) : std::exp2(step / 2.0);
        const double naturalDraw = median(1, draw);
        worstDraw
            = std::max(worstDraw, report("repaint the viewport at zoom %.3f", zoom, median(zoom, draw), naturalDraw));
        largestCopy = std::max(largestCopy, double(w.Image1.reducedCopy().sizeInBytes()));
        const double naturalPan = median(1, panStep);
        worstPan = std::max(
            worstPan, report("  a pan step and its drawing at %.3f", zoom, median(zoom, panStep), naturalPan));
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
    std::printf("worst repaint ratio %.2f, worst pan step ratio %.2f (target 3 or less)\n", worstDraw, worstPan);
    std::printf("largest reduced copy %.2f MB, the viewport %.2f MB: %.2f viewports\n", largestCopy / 1e6,
        viewportBytes / 1e6, largestCopy / viewportBytes);
    std::printf("peak memory above the picture put in and drawn once: %.1f MB\n", (bench::peakMemory() - held) / 1e6);
    w.Unload();
    return 0;
}
