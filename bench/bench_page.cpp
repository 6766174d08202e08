// A page of 24 photos of 4000 x 3000 pixels: the first page from the menu command to its end, and
// one row step of the scroll bar, each against decoding the same 24 files one after another.

#include "app/form.h"
#include "benchutil.h"
#include "browser/frmBmpGet.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>

namespace {

// Something photo-like: smooth gradients with fine detail, so that JPEG has real work to do.
QImage photo(int seed)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = ((x * 7919 + y * 104729 + seed * 31) >> 3) & 31;
            line[x] = qRgb((x / 16 + seed * 40 + grain) & 255, (y / 12 + grain) & 255,
                static_cast<int>(128 + 100 * std::sin((x + y + seed * 100) / 150.0)) & 255);
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    QTemporaryDir temp;
    const QDir dir(temp.path());
    std::printf("writing 30 JPEGs of 4000 x 3000 ...\n");
    QStringList files;
    for (int i = 0; i < 30; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        photo(i).save(path, "JPG", 90);
        files << path;
    }
    const QStringList firstPage = files.mid(0, 24);
    const QStringList secondPage = files.mid(6, 24);

    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    form.Dir1.openFolder(temp.path());

    QImageReader::setAllocationLimit(1024);
    auto decodeOneByOne = [](const QStringList& paths) {
        return [paths] {
            for (const QString& path : paths) {
                QImageReader reader(path);
                if (reader.read().isNull())
                    std::printf("could not decode %s\n", qPrintable(path));
            }
        };
    };
    auto blankCells = [&] {
        for (tl::ImageControl& cell : form.Image2)
            cell.setPicture({});
    };

    const double page = bench::compare(
        "first page (menu command to its end)", 5, decodeOneByOne(firstPage), [&] { form.mnuCget->trigger(); },
        blankCells);
    const double step = bench::compare("one row step of the scroll bar", 5, decodeOneByOne(secondPage),
        [&] { form.VScroll1.setValue(form.VScroll1.Value() == 0 ? 1200 : 0); });
    std::printf("target 0.60 or less: first page %s, row step %s\n", page <= 0.60 ? "met" : "NOT met",
        step <= 0.60 ? "met" : "NOT met");

    const double onePicture = 4000.0 * 3000.0 * 4.0;
    const double peak = bench::peakMemory();
    std::printf("peak memory %.0f MB = %.2f x 24 decoded pictures (%.0f MB)\n", peak / 1e6, peak / (24 * onePicture),
        24 * onePicture / 1e6);
    return 0;
}
