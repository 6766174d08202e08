// A part of a JPEG decoded first: the same pixels as the full decode gives there, on every kind of file.

#include "picture_files.h"
#include "pictures/decoding.h"
#include "pictures/jpegregion.h"
#include "pictures/regionread.h"
#include "platform/pools.h"
#include "profiles.h"
#include "viewer/partfirst.h"
#include "windows_fixture.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

// Colour that changes from pixel to pixel, so that colour stored at half the resolution is spread
// differently at every edge.
QImage busy(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * x + y * 3) % 256, (y * y * 7 + x * 5) % 256));
    return image;
}

// A wide-gamut profile with a gamma of its own: every colour changes on the way to sRGB.
QByteArray wideProfile()
{
    const cmsCIExyY white { 0.3457, 0.3585, 1 };
    const cmsCIExyYTRIPLE primaries { { 0.7347, 0.2653, 1 }, { 0.1596, 0.8404, 1 }, { 0.0366, 0.0001, 1 } };
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.8);
    cmsToneCurve* curves[] = { curve, curve, curve };
    const QByteArray profile = savedProfile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return profile;
}

Decoded fullDecode(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodePicture(buffer, bytes.size(), {});
}

RegionDecoded regionDecode(const QByteArray& bytes, QRect region, const std::atomic<bool>* cancelled = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeJpegRegion(buffer, bytes.size(), region, cancelled);
}

} // namespace

TEST(JpegRegion, EqualsTheSameRectangleOfTheFullDecodeForEveryKindAndOrientation)
{
    const QImage picture = busy(283, 301);
    const QByteArray colour = libjpegFile(picture, {});
    const QList<std::pair<const char*, QByteArray>> kinds {
        { "4:2:0", colour },
        { "4:4:4", libjpegFile(picture, { .lumaSampling = 1 }) },
        { "grey", libjpegFile(picture, { .space = JCS_GRAYSCALE, .lumaSampling = 1 }) },
        { "cmyk", libjpegFile(picture, { .space = JCS_CMYK, .lumaSampling = 1 }) },
        { "wide-gamut-profile.jpg",
            colour.first(2) + jpegSegment(0xe2, QByteArray("ICC_PROFILE", 12) + "\1\1" + wideProfile())
                + colour.mid(2) },
        { "cut-short.jpg", colour.first(colour.size() * 2 / 3) },
    };
    // Odd offsets, each edge of the picture, rows past the first few hundred, and rectangles that
    // reach out of the picture (cut to it).
    const QRect regions[] = { { 0, 0, 64, 48 }, { 17, 33, 61, 29 }, { 150, 3, 100, 40 }, { 5, 270, 37, 100 },
        { 1, 261, 282, 39 }, { -9, -9, 500, 500 } };
    for (const auto& [kind, file] : kinds)
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const QByteArray bytes = withExifOrientation(file, orientation);
            const Decoded full = fullDecode(bytes);
            ASSERT_FALSE(full.image.isNull()) << kind;
            for (const QRect& asked : regions) {
                SCOPED_TRACE(testing::Message() << kind << ", orientation " << orientation << ", " << asked.x() << ","
                                                << asked.y() << " " << asked.width() << "x" << asked.height());
                const RegionDecoded region = regionDecode(bytes, asked);
                const QRect where = asked.intersected(full.image.rect());
                ASSERT_EQ(region.outcome, RegionDecoded::Done) << qPrintable(region.why);
                EXPECT_EQ(region.natural, full.image.size());
                EXPECT_EQ(region.region, where);
                EXPECT_TRUE(region.image == full.image.copy(where));
                EXPECT_LE(region.incomplete, full.incomplete);
            }
        }
}

TEST(JpegRegion, FilesThatCannotGiveAPartFirstDeclineOrFail)
{
    const QImage picture = busy(120, 90);
    const QByteArray baseline = libjpegFile(picture, {});
    QByteArray corrupt = baseline;
    corrupt.replace(corrupt.indexOf(QByteArray::fromHex("ffc0")) + 9, 1, "\x09"); // a frame of 9 components
    const std::atomic<bool> cancelled { true };
    const struct {
        const char* name;
        QByteArray bytes;
        QRect asked;
        RegionDecoded::Outcome outcome;
        PictureFailure failure = PictureFailure::None;
        const std::atomic<bool>* cancel = nullptr;
    } rows[] = {
        { "progressive.jpg", libjpegFile(picture, { .progressive = true }), { 0, 0, 64, 64 }, RegionDecoded::Declined },
        { "region-below-the-picture.jpg", baseline, { 0, 90, 64, 64 }, RegionDecoded::Declined },
        { "nine-components.jpg", corrupt, { 0, 0, 64, 64 }, RegionDecoded::Failed, PictureFailure::NotAPicture },
        { "60000x60000-whole.jpg", jpegDeclaring(60000, 60000), { 0, 0, 60000, 60000 }, RegionDecoded::Failed,
            PictureFailure::TooLarge },
        { "60000x60000-first-screen.jpg", jpegDeclaring(60000, 60000), { 0, 0, 1280, 1024 }, RegionDecoded::Done },
        { "cancelled.jpg", baseline, { 0, 0, 64, 64 }, RegionDecoded::Failed, PictureFailure::NotAPicture, &cancelled },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const RegionDecoded region = regionDecode(row.bytes, row.asked, row.cancel);
        EXPECT_EQ(region.outcome, row.outcome) << qPrintable(region.why);
        EXPECT_EQ(region.failure, row.failure);
        EXPECT_EQ(region.image.isNull(), row.outcome != RegionDecoded::Done);
    }
}

TEST(JpegRegion, TheTwoStageReadGivesThePartAndTheNaturalSize)
{
    QTemporaryDir dir;
    const QImage picture = busy(160, 100);
    const QString baseline = dir.filePath("turned.jpg"), progressive = dir.filePath("progressive.jpg");
    const QByteArray bytes = withExifOrientation(libjpegFile(picture, {}), 6);
    for (const auto& [path, content] :
        { std::pair { baseline, bytes }, std::pair { progressive, libjpegFile(picture, { .progressive = true }) } }) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
    const QRect asked(30, 41, 200, 77);
    const StdPicture part = readPictureRegion(baseline, asked).finish(nullptr);
    EXPECT_EQ(QSize(part.pixelWidth(), part.pixelHeight()), QSize(100, 160));
    EXPECT_TRUE(regionOf(part, asked).image == fullDecode(bytes).image.copy(30, 41, 70, 77));
    EXPECT_EQ(regionOf(part, asked).where, QRect(30, 41, 70, 77));
    EXPECT_TRUE(readPictureRegion(progressive, asked).finish(nullptr).isEmpty());
    EXPECT_EQ(readPictureRegion(dir.filePath("gone.jpg"), asked).finish(nullptr).failure(), PictureFailure::Unreadable);
}

// The whole decode waits on a flag: the first screen shows meanwhile, over bars that range over the
// whole picture, and gives way to the whole picture. A part that comes after its whole is left out.
class PartFirst : public WindowsTest { };

TEST_F(PartFirst, APhotoAtItsNaturalSizeShowsItsFirstScreenBeforeTheRest)
{
    const QString path = dir.filePath("large.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(libjpegFile(busy(1500, 1100), {})) > 0);
    file.close();
    frmPicture& w = Window<frmPicture>().Show();
    w.showPicture({});
    std::atomic<bool> decodes { false };
    const auto whole = PictureJob::start(cpuPool(), [&](const std::atomic<bool>*) {
        while (!decodes)
            QThread::msleep(2);
        return LoadPicture(path);
    });
    readPartFirst(w, path, whole);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Image1.partialImage().isNull(); }));
    EXPECT_FALSE(whole->isDone());
    const QImage part = w.Image1.partialImage();
    EXPECT_TRUE(part == LoadPicture(path).image().copy(part.rect()));
    EXPECT_TRUE(w.Image1.widget()->grab(QRect(0, 0, 40, 30)).toImage().convertToFormat(QImage::Format_RGB32)
        == part.copy(0, 0, 40, 30));
    EXPECT_EQ(w.HScroll1.Max(), barValue(w.Image1.Width() - w.Picture1.ScaleWidth(), w.hReach));
    EXPECT_GT(w.VScroll1.Max(), 0);
    decodes = true;
    ASSERT_TRUE(whole->waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(10)));
    w.showPicture({});
    bool looked = false;
    readPartFirst(w, path, whole)->whenDone(&w, [&](const StdPicture&) { looked = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return looked; }));
    EXPECT_TRUE(w.Image1.partialImage().isNull());
    w.showPicture(whole->picture());
    EXPECT_TRUE(w.Image1.partialImage().isNull());
    EXPECT_EQ(w.Image1.shownImage().size(), QSize(1500, 1100));
}
