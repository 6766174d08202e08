// Cells of progressive JPEGs made from the first scans alone.

#include "pictures/decoding.h"
#include "pictures/picture.h"
#include "pictures/progressivebudget.h"
#include "platform/memory.h"
#include "tests/picture_files.h"
#include "tests/support.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace tl;
using namespace tl::test;

namespace {

// A photo's texture: a gradient under fine grain, whose detail takes most of a file's bytes. As in
// most photos, the colours change more slowly than the light, unless `colourGrain`.
QImage grainy(int width, int height, bool colourGrain = false)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator grain(23);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(grain.bounded(48));
            line[x] = qRgb(x * 200 / width + n, y * 200 / height + n, colourGrain ? 147 - n : 100 + n);
        }
    }
    return image;
}

// The file up to the marker after its first scan, which holds every block's DC.
QByteArray cutAfterFirstScan(const QByteArray& jpeg)
{
    qsizetype at = jpeg.indexOf("\xff\xda") + 2;
    const auto marker
        = [&](qsizetype i) { return uchar(jpeg[i]) == 0xff && jpeg[i + 1] != 0 && (jpeg[i + 1] & 0xf8) != 0xd0; };
    while (at + 1 < jpeg.size() && !marker(at))
        ++at;
    return jpeg.left(at);
}

// Every block's DC, then the coefficients before `rest` (by default those a 3/8 decode reads), then the rest.
std::vector<jpeg_scan_info> lowCoefficientsFirst(int rest = 15)
{
    std::vector<jpeg_scan_info> scans { { 3, { 0, 1, 2 }, 0, 0, 0, 0 } };
    for (const int first : { 1, rest })
        for (int c = 0; c < 3; ++c)
            scans.push_back({ 1, { c }, first, first == 1 ? rest - 1 : 63, 0, 0 });
    return scans;
}

QImage cellOf(const QByteArray& file, QSize cell)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    return decodePicture(buffer, file.size(), cell).image;
}

} // namespace

TEST(ProgressiveCells, AreMadeFromTheScansTheirScaleNeeds)
{
    const QSize cell(105, 81);
    const QByteArray photo = libjpegFile(grainy(1760, 1320), { .progressive = true, .restartRows = 4 });
    const QByteArray lowFirst = libjpegFile(grainy(1200, 900), { .lumaSampling = 1, .scans = lowCoefficientsFirst() });
    const QByteArray baseline = libjpegFile(grainy(1760, 1320), {});
    const QByteArray colourful = libjpegFile(grainy(1760, 1320, true), { .progressive = true });
    const QByteArray arithmetic = libjpegFile(grainy(1760, 1320), { .progressive = true, .arithmetic = true });
    // Every coefficient within a block's first four rows and columns before the rest.
    const QByteArray quarterFirst
        = libjpegFile(grainy(1200, 900), { .lumaSampling = 1, .scans = lowCoefficientsFirst(25) });
    const struct {
        const char* name;
        QByteArray file, whole; // as read, and the file a full decode's cell comes from
        QSize cell;
        double mostRead; // of the file's bytes; 0: not looked at
        bool keepsBytes;
        int largestDifference; // where a cell is about the size of the 1/8 decode, the DC's last bit and the
                               // colours' detail within a block show more
    } rows[] = {
        { "cut-after-its-dc-scans.jpg", cutAfterFirstScan(photo), photo, cell, 0, false, 2 },
        { "progressive.jpg", photo, photo, cell, 0.25, false, 2 },
        { "progressive-2x.jpg", photo, photo, cell * 2, 0.25, false, 4 },
        { "arithmetic-progressive.jpg", arithmetic, arithmetic, cell, 0.25, false, 2 },
        // Past 1/8 every bit counts: here only the last scans complete the coefficients.
        { "progressive-2-8.jpg", photo, photo, QSize(440, 330), 0, true, 0 },
        // The colours' detail within a block comes from their first AC scans.
        { "colour-grain.jpg", colourful, colourful, cell, 0.35, false, 3 },
        { "low-coefficients-first-3-8.jpg", lowFirst, lowFirst, QSize(400, 300), 0.75, false, 0 },
        // At 1/4 the transform reads odd coefficients up to the block's last: the whole file is needed.
        { "low-coefficients-first-2-8.jpg", lowFirst, lowFirst, QSize(300, 225), 0, true, 0 },
        // At 1/2 as well, reading rows and columns 5 to 7.
        { "quarter-first-4-8.jpg", quarterFirst, quarterFirst, QSize(600, 450), 0, true, 0 },
        { "baseline.jpg", baseline, baseline, cell, 1.1, true, 0 },
    };
    QTemporaryDir temp;
    const QDir dir(temp.path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = writeBytes(dir, QLatin1String(row.name), row.file);
        const qint64 before = cellFileBytesRead(), heldBefore = heldBytes();
        const StdPicture picture = loadCellPicture(path, row.cell);
        EXPECT_EQ(heldBytes(), heldBefore + (row.keepsBytes ? row.file.size() : 0)) << "the first scans' bytes held on";
        if (row.mostRead > 0) {
            EXPECT_LE(cellFileBytesRead() - before, row.mostRead * row.file.size());
        }
        ASSERT_FALSE(picture.isEmpty());
        EXPECT_EQ(
            picture.memoryCost(), 4 * row.cell.width() * row.cell.height() + (row.keepsBytes ? row.file.size() : 0));
        EXPECT_LE(
            largestChannelDifference(picture.scaledCopy(row.cell), cellOf(row.whole, row.cell)), row.largestDifference);
        // A click reads the file as it is then, unless the cell kept its bytes.
        writePicture(dir, QLatin1String(row.name), 50, 60);
        EXPECT_EQ(picture.fullImage().size(), row.keepsBytes ? QImage::fromData(row.file).size() : QSize(50, 60));
    }
}

// Cells of a 12-megapixel progressive photo decoding on six threads at once: each holds the photo's
// coefficients (36 MB), so they take turns within the budget, and what they held goes back to the
// system when they end instead of staying with each thread's allocator.
TEST(ProgressiveCells, DecodesAtOnceTakeTurnsWithinTheBudgetAndGiveTheirMemoryBack)
{
    returnLargeBlocksToTheSystem(); // as the program does first thing
    const QByteArray photo = libjpegFile(grainy(4000, 3000), { .progressive = true });
    if (!restartPeakMemory())
        GTEST_SKIP() << "the peak memory cannot be reset here";
    const qint64 idle = statusKilobytes("VmRSS:");
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&photo] { EXPECT_FALSE(cellOf(photo, QSize(105, 81)).isNull()); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_LT(statusKilobytes("VmHWM:") - idle, ProgressiveBudget / 1024) << "kB above idle at the peak";
    EXPECT_LT(statusKilobytes("VmRSS:") - idle, 16 * 1024) << "kB above idle once they ended";
}
