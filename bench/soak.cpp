// A long session in one process, to see whether memory stays put: a folder of 2,000 small pictures,
// 1% of them broken and 50 of them photos, loaded with the menu command and paged with the scroll
// bar's arrow from the top to the bottom and back, the picture window opened from a cell and closed
// 200 times, the help window opened and closed 200 times. Three such passes; the resident memory
// is printed after each, and the run fails when it grew by more than 10% from the first to the last.
// Like the program, it reads Help.txt beside itself: the build folder holds a copy.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "forms/form.h"
#include "help/frmHelp.h"
#include "platform/services.h"
#include "tests/picture_files.h"
#include "viewer/frmPicture.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

using namespace tl;

namespace {

constexpr int PictureCount = 2000;
constexpr int PhotoEvery = PictureCount / 50;
constexpr int BrokenEvery = 100;
constexpr int Openings = 200;
constexpr int Passes = 3;
constexpr double AllowedGrowth = 0.10;

QImage photo(int seed)
{
    QImage image(2000, 1500, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x / 8 + seed * 40) & 255, (y / 6 + x % 7) & 255,
                static_cast<int>(128 + 100 * std::sin((x + y + seed * 100) / 90.0)) & 255);
    }
    return image;
}

QImage small(int seed)
{
    QImage image(48 + seed % 40, 36 + seed % 30, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 200, 220));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

QByteArray smallGif(int seed)
{
    const int width = 40 + seed % 20, height = 30;
    QByteArray indices(width * height, '\0');
    for (int i = 0; i < indices.size(); ++i)
        indices[i] = char((i / width + seed) % 16);
    QList<QRgb> palette;
    for (int i = 0; i < 16; ++i)
        palette << qRgb(i * 16, 255 - i * 16, seed % 256);
    return test::gifFile(width, height, palette, indices);
}

// Entry i of the folder: a photo every 40th, a broken file every 100th (cut short or not a
// picture at all), otherwise a small BMP, JPEG, GIF or icon in turn.
std::pair<QString, QByteArray> entry(int i)
{
    static const char* const suffixes[] = { "bmp", "jpg", "gif", "ico" };
    const QString name = QStringLiteral("pic%1.%2").arg(i, 4, 10, QLatin1Char('0'));
    if (i % PhotoEvery == 0)
        return { name.arg(QStringLiteral("jpg")), encoded(photo(i / PhotoEvery), "JPG") };
    const char* suffix = suffixes[i % 4];
    const QString named = name.arg(QLatin1String(suffix));
    QByteArray bytes = i % 4 == 2 ? smallGif(i) : encoded(small(i), i % 4 == 0 ? "BMP" : i % 4 == 1 ? "JPG" : "ICO");
    if (i % BrokenEvery == BrokenEvery / 2)
        bytes = i % 200 == BrokenEvery / 2 ? bytes.left(bytes.size() / 2) : QByteArray("not a picture at all");
    return { named, bytes };
}

bool writeFolder(const QDir& dir)
{
    for (int i = 0; i < PictureCount; ++i) {
        const auto [name, bytes] = entry(i);
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

struct Paging {
    int steps = 0;
    int cellsFilled = 0; // over all the pages shown: the broken pictures leave theirs blank
};

// The scroll bar's arrow, as a click on it moves the grid by a row, to the end.
void arrowSteps(frmBmpGet& form, QAbstractSlider::SliderAction arrow, Paging& paging)
{
    auto* bar = static_cast<QScrollBar*>(form.VScroll1.widget());
    const Int16 end = arrow == QAbstractSlider::SliderSingleStepAdd ? form.VScroll1.Max() : form.VScroll1.Min();
    while (form.VScroll1.Value() != end) {
        bar->triggerAction(arrow);
        QCoreApplication::processEvents();
        ++paging.steps;
        for (const ImageControl& cell : form.Image2)
            paging.cellsFilled += !cell.Picture().isEmpty();
    }
}

void openPictureWindows(frmBmpGet& form)
{
    for (int i = 0; i < Openings; ++i) {
        form.Image2_Click(i % int(form.Image2.size()));
        QCoreApplication::processEvents();
        Window<frmPicture>().Instance()->Unload();
        flushDeletes();
    }
}

void openHelpWindows(frmBmpGet& form)
{
    for (int i = 0; i < Openings; ++i) {
        form.mnuHelp_Click();
        QCoreApplication::processEvents();
        Window<frmHelp>().Instance()->Command1_Click();
        flushDeletes();
    }
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    // The offscreen platform remarks on every window shown; the figures are what matters here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    int messages = 0;
    MsgBox = [&messages](const QString&) { ++messages; };
    endProgram = [](int) {
        std::printf("the program ended on an unexpected error\n");
        std::exit(2);
    };
    QTemporaryDir temp;
    std::printf("writing %d pictures (%d photos of 2000 x 1500, %d broken) ...\n", PictureCount,
        PictureCount / PhotoEvery, PictureCount / BrokenEvery);
    if (!temp.isValid() || !writeFolder(QDir(temp.path())))
        return 2;

    frmBmpGet& form = Window<frmBmpGet>().Show();
    if (!form.Dir1.openFolder(temp.path()))
        return 2;

    std::vector<double> resident;
    for (int pass = 1; pass <= Passes; ++pass) {
        Paging paging;
        const double seconds = bench::seconds([&] {
            form.mnuCget_Click();
            arrowSteps(form, QAbstractSlider::SliderSingleStepAdd, paging);
            arrowSteps(form, QAbstractSlider::SliderSingleStepSub, paging);
            openPictureWindows(form);
            openHelpWindows(form);
        });
        resident.push_back(bench::statusBytes("VmRSS"));
        std::printf(
            "pass %d: %d pictures, %d row steps filling %d cells, %d + %d windows opened and closed, %d windows "
            "left, %.0f s, resident memory %.1f MB\n",
            pass, form.PictureCount, paging.steps, paging.cellsFilled, Openings, Openings,
            int(QApplication::topLevelWidgets().size()), seconds, resident.back() / 1e6);
    }
    const double growth = resident.back() / resident.front() - 1;
    std::printf("growth from the first pass to the last: %+.1f%% (allowed %.0f%%); message boxes: %d; peak %.1f MB\n",
        growth * 100, AllowedGrowth * 100, messages, bench::peakMemory() / 1e6);
    // Broken pictures leave their cells blank without a word: a message box means the session
    // went elsewhere than planned (no Help.txt beside the program, say).
    return growth > AllowedGrowth || messages > 0 ? 1 : 0;
}
