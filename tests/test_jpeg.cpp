// The JPEG decoder against Qt's plugin, and on the files that would make it work without bound.

#include "pictures/exif.h"
#include "pictures/jpeg.h"
#include "pictures/picture.h"
#include "pictures/viewscale.h"
#include "tests/picture_files.h"

#include <QElapsedTimer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTransform>
#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace tl;
using namespace tl::test;

namespace {

// A different colour in each corner, so that every turn and mirror shows.
QImage asymmetric(int width = 45, int height = 29)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, x < width / 3 && y < height / 3 ? 250 : 30));
    return image;
}

// A progressive JPEG declaring `width` x `height` whose `scans` DC scans hold no data at all.
QByteArray emptyScans(int width, int height, int components, int scans)
{
    const auto segment = [](int marker, const QByteArray& body) {
        return QByteArray::fromHex("ff") + char(marker) + char((body.size() + 2) >> 8) + char(body.size() + 2) + body;
    };
    QByteArray file = QByteArray::fromHex("ffd8") + segment(0xdb, QByteArray(1, 0) + QByteArray(64, 1))
        + segment(0xc4, QByteArray::fromHex("0001") + QByteArray(16, 0));
    QByteArray frame = QByteArray(1, 8) + char(height >> 8) + char(height) + char(width >> 8) + char(width);
    QByteArray scan(1, char(components));
    frame += char(components);
    for (int c = 1; c <= components; ++c) {
        frame += QByteArray(1, char(c)) + char(c == 1 && components == 3 ? 0x22 : 0x11) + '\0';
        scan += QByteArray(1, char(c)) + '\0';
    }
    file += segment(0xc2, frame);
    for (int i = 0; i < scans; ++i)
        file += segment(0xda, scan + QByteArray(3, 0));
    return file + QByteArray::fromHex("ffd9");
}

QImage qtDecode(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(true);
    return reader.read();
}

QImage ourDecode(const QByteArray& bytes, QSize cell = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder decoder(buffer, bytes.size());
    decoder.prepare(cell);
    return decoder.decode(qint64(1) << 30);
}

} // namespace

TEST(Jpeg, FullDecodesEqualQtsPixelForPixel)
{
    const QImage picture = asymmetric();
    const QByteArray baseline = libjpegFile(picture, {});
    const QByteArray progressive = libjpegFile(picture, { .progressive = true });
    const QByteArray large = libjpegFile(asymmetric(300, 200), {});
    const QByteArray largeProgressive = libjpegFile(asymmetric(300, 200), { .progressive = true });
    QList<std::pair<QString, QByteArray>> rows {
        { "baseline-420.jpg", baseline },
        { "sampling-444.jpg", libjpegFile(picture, { .lumaSampling = 1 }) },
        { "grey.jpg", libjpegFile(picture, { .space = JCS_GRAYSCALE, .lumaSampling = 1 }) },
        { "progressive.jpg", progressive },
        { "arithmetic.jpg", libjpegFile(picture, { .arithmetic = true }) },
        { "arithmetic-progressive.jpg", libjpegFile(picture, { .progressive = true, .arithmetic = true }) },
        { "restart-every-row.jpg", libjpegFile(picture, { .restartRows = 1 }) },
        { "cmyk-without-adobe.jpg", libjpegFile(picture, { .space = JCS_CMYK, .lumaSampling = 1, .adobe = false }) },
        { "cmyk-adobe-inverted.jpg", libjpegFile(picture, { .space = JCS_CMYK, .lumaSampling = 1 }) },
        { "ycck.jpg", libjpegFile(picture, { .space = JCS_YCCK }) },
        { "truncated.jpg", large.left(large.size() * 3 / 5) },
        { "truncated-progressive.jpg", largeProgressive.left(largeProgressive.size() * 3 / 5) },
    };
    for (int orientation = 1; orientation <= 8; ++orientation)
        rows.append(
            { QStringLiteral("exif-orientation-%1.jpg").arg(orientation), withExifOrientation(baseline, orientation) });
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name.toStdString());
        const QImage expected = qtDecode(bytes);
        ASSERT_FALSE(expected.isNull());
        const QImage decoded = ourDecode(bytes);
        EXPECT_EQ(decoded.format(), expected.format());
        EXPECT_EQ(decoded.size(), expected.size());
        EXPECT_TRUE(decoded == expected);
    }
}

TEST(Jpeg, CellsDecodeAtTheSmallestEighthThatCoversThem)
{
    struct Row {
        const char* name;
        QSize stored;
        int orientation;
        QSize cell, expected;
        QSize viewed; // read for a view of the cell's size: that size, or its own shape covering it
    } rows[] = {
        { "quarter-exactly.jpg", { 400, 300 }, 1, { 100, 75 }, { 100, 75 }, { 100, 75 } },
        { "one-pixel-past-a-quarter.jpg", { 400, 300 }, 1, { 101, 75 }, { 150, 113 }, { 101, 75 } },
        { "smaller-than-the-cell.jpg", { 400, 300 }, 1, { 500, 500 }, { 400, 300 }, { 400, 300 } },
        { "odd-size-eighth.jpg", { 401, 301 }, 1, { 1, 1 }, { 51, 38 }, { 1, 1 } },
        { "another-shape.jpg", { 400, 300 }, 1, { 200, 100 }, { 200, 150 }, { 200, 150 } },
        { "odd-size-quarter-just-covers.jpg", { 401, 301 }, 1, { 101, 76 }, { 101, 76 }, { 101, 76 } },
        { "turned-quarter.jpg", { 400, 300 }, 6, { 75, 100 }, { 75, 100 }, { 75, 100 } },
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray bytes = withExifOrientation(
            libjpegFile(asymmetric(row.stored.width(), row.stored.height()), {}), row.orientation);
        EXPECT_EQ(ourDecode(bytes, row.cell).size(), row.expected);
        // Read for viewing at the cell's size, the picture is made that size and knows its full size.
        QFile file(dir.filePath(row.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        const StdPicture viewed = readPictureForView(file.fileName(), row.cell).finish(nullptr);
        const QSize natural = row.orientation == 6 ? row.stored.transposed() : row.stored;
        EXPECT_EQ(viewed.image().size(), row.viewed);
        EXPECT_EQ(QSize(viewed.pixelWidth(), viewed.pixelHeight()), natural);
        EXPECT_EQ(viewed.isReduced(), row.viewed != natural);
        EXPECT_EQ(viewed.fullImage().size(), natural);
    }
}

// A picture shown in a view is decoded at the eighths that cover the view's device pixels: fitted never
// enlarges, a zoom of 1 or more takes the full picture, a quarter turn fits the picture the other way.
TEST(ViewScale, TheViewDecidesTheEighthsDecoded)
{
    struct Row {
        const char* name;
        QSize natural;
        QSizeF viewport;
        double ratio;
        bool fitted;
        double zoom;
        int turn;
        int eighths;
    } rows[] = {
        { "48-megapixel-fitted", { 8000, 6000 }, { 1280, 1024 }, 1, true, 1, 0, 2 },
        { "48-megapixel-fitted-2x", { 8000, 6000 }, { 1280, 1024 }, 2, true, 1, 0, 3 },
        { "fitted-exactly-an-eighth", { 8000, 6000 }, { 1000, 750 }, 1, true, 1, 0, 1 },
        { "fitted-full-screen", { 8000, 6000 }, { 1920, 1080 }, 1, true, 1, 0, 2 },
        { "fitted-wide-window", { 4000, 3000 }, { 2000, 500 }, 1, true, 1, 0, 2 },
        { "fitted-wide-window-turned", { 4000, 3000 }, { 2000, 500 }, 1, true, 1, 1, 1 },
        { "smaller-than-the-window-fitted", { 800, 600 }, { 1280, 1024 }, 1, true, 1, 0, 8 },
        { "zoom-a-half", { 8000, 6000 }, { 1280, 1024 }, 1, false, 0.5, 0, 4 },
        { "zoom-a-half-2x", { 8000, 6000 }, { 1280, 1024 }, 2, false, 0.5, 0, 4 },
        { "zoom-one-step-below-1", { 4000, 3000 }, { 1280, 1024 }, 1, false, std::sqrt(0.5), 0, 6 },
        { "natural-size", { 8000, 6000 }, { 1280, 1024 }, 1, false, 1, 0, 8 },
        { "zoomed-in", { 8000, 6000 }, { 1280, 1024 }, 1, false, 2, 0, 8 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ShownView view { row.viewport, row.ratio, row.fitted, row.zoom, row.turn };
        const QSize shown = shownSize(row.natural, view);
        EXPECT_EQ(jpegEighths(row.natural, shown), row.eighths);
        // What that decode holds is enough for the view, and an eighth less is not.
        const auto held = [&](int eighths) {
            return QSize((row.natural.width() * eighths + 7) / 8, (row.natural.height() * eighths + 7) / 8);
        };
        const double zoom = shownZoom(row.natural, view);
        EXPECT_TRUE(holdsEnough(held(row.eighths), row.natural, zoom));
        EXPECT_TRUE(row.eighths == 1 || !holdsEnough(held(row.eighths - 1), row.natural, zoom));
    }
}

TEST(Jpeg, AFineStripePatternKeepsItsContrastInTheCell)
{
    QImage stripes(128, 96, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x / 4 % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QByteArray upright = jpegBytes(stripes);
    const QByteArray turned = withExifOrientation(jpegBytes(stripes.transformed(QTransform().rotate(-90))), 6);
    for (const auto& [name, bytes] : { std::pair { "stripes.jpg", upright }, { "stripes-exif-turned.jpg", turned } }) {
        SCOPED_TRACE(name);
        const QImage cell = ourDecode(bytes, QSize(32, 24));
        ASSERT_EQ(cell.size(), QSize(32, 24));
        for (int x = 0; x + 1 < cell.width(); ++x)
            EXPECT_GT(std::abs(qGray(cell.pixel(x, 12)) - qGray(cell.pixel(x + 1, 12))), 160) << "column " << x;
    }
}

TEST(Jpeg, FilesOfKindsNotShownAreRefused)
{
    QByteArray twelveBit = libjpegFile(asymmetric(), {});
    twelveBit[twelveBit.indexOf(QByteArray::fromHex("ffc0")) + 4] = 12;
    QByteArray lossless = libjpegFile(asymmetric(), {});
    lossless[lossless.indexOf(QByteArray::fromHex("ffc0")) + 1] = char(0xc3);
    QByteArray random = QByteArray::fromHex("ffd8ff");
    QRandomGenerator generator(7);
    for (int i = 0; i < 4000; ++i)
        random += char(generator.bounded(256));
    const std::pair<const char*, QByteArray> rows[] = { { "12-bit.jpg", twelveBit }, { "lossless.jpg", lossless },
        { "random-bytes.jpg", random }, { "soi-only.jpg", QByteArray::fromHex("ffd8") }, { "empty.jpg", {} } };
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        JpegDecoder decoder(buffer, bytes.size());
        EXPECT_FALSE(decoder.ok());
        EXPECT_FALSE(decoder.why().isEmpty());
        EXPECT_TRUE(decoder.decode(qint64(1) << 30).isNull());
    }
}

TEST(Jpeg, ThousandsOfEmptyScansStopAtTheScanLimitAndACancelStopsAtOnce)
{
    const QByteArray bytes = emptyScans(4096, 4096, 1, 5000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(ourDecode(bytes).isNull());
    std::printf("4096x4096 with 5000 empty scans refused in %lld ms\n", timer.elapsed());
    // Fewer scans than the limit, but each walks a million blocks.
    EXPECT_TRUE(ourDecode(emptyScans(8192, 8192, 1, 150)).isNull());

    QBuffer buffer;
    buffer.setData(emptyScans(4096, 4096, 1, 200));
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder decoder(buffer, buffer.size());
    const std::atomic<bool> cancelled = true;
    EXPECT_TRUE(decoder.decode(qint64(1) << 30, &cancelled).isNull());
    EXPECT_EQ(decoder.why(), "cancelled");
}

TEST(Jpeg, AHugeProgressiveFileIsRefusedForItsCoefficientBuffers)
{
    const QByteArray bytes = emptyScans(65500, 65500, 3, 1);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder decoder(buffer, bytes.size());
    ASSERT_TRUE(decoder.ok());
    // 12.9 GB of coefficients even for a small cell, whatever the scale.
    EXPECT_GT(decoder.prepare(QSize(64, 64)), qint64(12'000'000'000));
    EXPECT_TRUE(decoder.decode(qint64(1) << 30).isNull());
    EXPECT_TRUE(decoder.why().contains("more than")) << decoder.why().toStdString();
}

TEST(Jpeg, ALongTailWithoutAnEndMarkerIsNotRead)
{
    const QImage picture = asymmetric(64, 48);
    const std::pair<const char*, QByteArray> rows[] = { { "baseline-then-2gb.jpg", libjpegFile(picture, {}) },
        { "progressive-then-2gb.jpg", libjpegFile(picture, { .progressive = true }) } };
    for (const auto& [name, jpeg] : rows) {
        SCOPED_TRACE(name);
        const bool progressive = QByteArray(name).startsWith("progressive");
        MadeUpFile file(jpeg.chopped(2), 0, 0, {}, jpeg.size() - 2 + (qint64(2) << 30));
        QElapsedTimer timer;
        timer.start();
        JpegDecoder decoder(file, file.size());
        EXPECT_FALSE(decoder.decode(qint64(1) << 30).isNull());
        std::printf("%s: %lld bytes read in %lld ms\n", name, file.taken, timer.elapsed());
        EXPECT_LE(file.taken, jpeg.size() + (64 << 10) + (progressive ? (16 << 20) + 2 * 64 * 48 * 3 : 0));
    }
}

TEST(Jpeg, TheHeadersMustEndWithin16MBTheScansMayGoFurther)
{
    const QByteArray photo = libjpegFile(asymmetric(256, 192), { .progressive = true });
    const qsizetype lastScan = photo.lastIndexOf(QByteArray::fromHex("ffda"));
    const QByteArray frame = jpegDeclaring(65500, 65500);
    const qsizetype frameEnd = frame.indexOf(QByteArray::fromHex("ffc0")) + 2 + 17;
    struct Row {
        const char* name;
        MadeUpFile file;
        bool whole; // decoded whole, else refused for its headers
    } rows[] = {
        { "65500x65500-frame-then-app1-segments.jpg", { frame.left(frameEnd), 300, 0xe1, frame.mid(frameEnd) }, false },
        // 16 MB of comments between its scans: the last scans lie past the headers' bound.
        { "progressive-scans-past-16mb.jpg", { photo.left(lastScan), 257, 0xfe, photo.mid(lastScan) }, true },
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        JpegDecoder decoder(row.file, row.file.size());
        const QImage image = decoder.decode(qint64(1) << 30);
        EXPECT_EQ(image.isNull(), !row.whole) << decoder.why().toStdString();
        EXPECT_EQ(decoder.refusedForMemory(), !row.whole);
        if (row.whole) {
            EXPECT_FALSE(decoder.endedEarly());
            EXPECT_TRUE(image == ourDecode(photo));
        } else {
            EXPECT_LE(row.file.taken, (16 << 20) + (64 << 10)) << "read on past the bound";
        }
    }
    const std::atomic<bool> cancelled = true;
    MadeUpFile file(frame.left(frameEnd), 300, 0xe1, frame.mid(frameEnd));
    EXPECT_FALSE(JpegDecoder(file, file.size(), &cancelled).ok());
    EXPECT_LE(file.taken, 64 << 10) << "a cancelled header read reads on";
}

TEST(Jpeg, TheHeadersKeepTheFirstExifBlockAndTheColourProfileOnly)
{
    const QByteArray photo = libjpegFile(asymmetric(), {});
    const auto exif = [](int orientation) { return withExifOrientation(QByteArray(2, 0), orientation).mid(2); };
    const auto icc = [](int number, int count, const QByteArray& data) {
        return jpegSegment(0xe2, QByteArray("ICC_PROFILE\0", 12) + char(number) + char(count) + data);
    };
    const QByteArray big(0xffff - 16, 'p');
    QByteArray past4MB;
    for (int number = 1; number <= 65; ++number)
        past4MB += icc(number, 65, big);
    struct Row {
        const char* name;
        QByteArray segments;
        int orientation;
        QByteArray profile;
    } rows[] = {
        { "exif-then-another-then-150-app1.jpg",
            exif(6) + exif(3) + jpegSegment(0xe1, QByteArray(0xffff - 2, 'x')).repeated(150), 6, {} },
        { "icc-in-two-chunks-out-of-order.jpg", icc(2, 2, "second") + icc(1, 2, "first "), 1, "first second" },
        { "icc-chunk-missing.jpg", icc(1, 3, "first") + icc(3, 3, "third"), 1, {} },
        { "icc-last-chunk-missing.jpg", icc(1, 2, "first"), 1, {} },
        { "icc-chunk-twice.jpg", icc(1, 1, "first") + icc(1, 1, "again"), 1, {} },
        { "icc-past-4mb.jpg", past4MB, 1, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QBuffer buffer;
        buffer.setData(QByteArray(photo).insert(2, row.segments));
        buffer.open(QIODevice::ReadOnly);
        JpegDecoder decoder(buffer, buffer.size());
        ASSERT_TRUE(decoder.ok());
        EXPECT_EQ(decoder.orientation(), row.orientation);
        EXPECT_EQ(decoder.iccProfile(), row.profile);
        EXPECT_EQ(decoder.heldBytes(), row.profile.size()) << "segments kept besides the profile";
        QBuffer plainBuffer;
        plainBuffer.setData(withExifOrientation(photo, row.orientation));
        plainBuffer.open(QIODevice::ReadOnly);
        EXPECT_EQ(decoder.prepare({}), JpegDecoder(plainBuffer, plainBuffer.size()).prepare({}) + row.profile.size())
            << "the cost leaves out what the decoder keeps";
    }
}

namespace {

struct Tag {
    quint16 tag, type;
    quint32 value;
};
constexpr quint32 AtExtra = 0xffffffff; // a value that becomes the offset of the block's extra bytes

// An EXIF block: IFD0 (with a pointer to the Exif IFD when it has entries), the Exif IFD, IFD1, then `extra`.
QByteArray exifBlock(
    QList<Tag> ifd0, const QList<Tag>& exifIfd, const QList<Tag>& ifd1, const QByteArray& extra, bool little = false)
{
    const auto put = [little](QByteArray& out, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += char(value >> 8 * (little ? i : bytes - 1 - i));
    };
    const auto ifdBytes = [](const QList<Tag>& tags) { return tags.isEmpty() ? 0 : 6 + 12 * tags.size(); };
    if (!exifIfd.isEmpty())
        ifd0.append({ 0x8769, 4, quint32(8 + ifdBytes(ifd0) + 12) });
    const quint32 ifd1At = ifd1.isEmpty() ? 0 : quint32(8 + ifdBytes(ifd0) + ifdBytes(exifIfd));
    const quint32 extraAt = quint32(8 + ifdBytes(ifd0) + ifdBytes(exifIfd) + ifdBytes(ifd1));
    QByteArray tiff(little ? "II" : "MM");
    put(tiff, 42, 2);
    put(tiff, 8, 4);
    for (const auto& [tags, next] : { std::pair { ifd0, ifd1At }, { exifIfd, 0u }, { ifd1, 0u } }) {
        if (tags.isEmpty())
            continue;
        put(tiff, quint32(tags.size()), 2);
        for (const Tag& tag : tags) {
            put(tiff, tag.tag, 2);
            put(tiff, tag.type, 2);
            put(tiff, 1, 4);
            put(tiff, tag.value == AtExtra ? extraAt : tag.value, tag.type == 3 ? 2 : 4);
            if (tag.type == 3)
                put(tiff, 0, 2);
        }
        put(tiff, next, 4);
    }
    return QByteArray("Exif\0\0", 6) + tiff + extra;
}

} // namespace

TEST(Jpeg, ExifBlocksGiveOnlyWhatLiesWhereItBelongs)
{
    const QByteArray thumb = jpegBytes(asymmetric(16, 12));
    const quint32 size = quint32(thumb.size());
    const QList<Tag> thumbIn1 { { 0x0201, 4, AtExtra }, { 0x0202, 4, size } };
    const QList<Tag> pixels { { 0xa002, 4, 4000 }, { 0xa003, 3, 3000 } };
    const QList<Tag> width { { 0x0100, 4, 9 } };
    QByteArray looped = exifBlock(thumbIn1, {}, {}, thumb);
    qToBigEndian<quint32>(8, looped.data() + 6 + 8 + 2 + 12 * thumbIn1.size());
    struct Row {
        const char* name;
        QByteArray block;
        int orientation;
        bool thumbnail;
        QSize pixelSize;
    } rows[] = {
        { "camera-big-endian.exif", exifBlock({ { 0x0112, 3, 6 } }, pixels, thumbIn1, thumb), 6, true, { 4000, 3000 } },
        { "camera-little-endian.exif", exifBlock({ { 0x0112, 3, 8 } }, pixels, thumbIn1, thumb, true), 8, true,
            { 4000, 3000 } },
        { "thumbnail-past-the-block.exif", exifBlock(width, {}, thumbIn1, thumb.left(thumb.size() - 1)), 1, false, {} },
        { "thumbnail-named-in-ifd0.exif", exifBlock(thumbIn1, {}, {}, thumb), 1, false, {} },
        { "ifd0-names-itself-next.exif", looped, 1, false, {} },
        { "orientation-in-ifd1-only.exif", exifBlock(width, {}, { { 0x0112, 3, 3 } }, {}), 1, false, {} },
        { "orientation-9.exif", exifBlock({ { 0x0112, 3, 9 } }, {}, {}, {}), 1, false, {} },
        { "orientation-as-long.exif", exifBlock({ { 0x0112, 4, 6 } }, {}, {}, {}), 1, false, {} },
        { "pixel-size-in-ifd0.exif", exifBlock(pixels, {}, {}, {}), 1, false, {} },
        { "entries-cut-short.exif", exifBlock({ { 0x0112, 3, 6 } }, pixels, {}, {}).left(30), 6, false, {} },
        { "no-exif-header.exif", exifBlock({ { 0x0112, 3, 6 } }, {}, {}, {}).mid(1), 1, false, {} },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Exif exif = readExif(row.block);
        EXPECT_EQ(exif.orientation, row.orientation);
        EXPECT_EQ(exif.thumbnail, row.thumbnail ? thumb : QByteArray());
        EXPECT_EQ(exif.pixelSize, row.pixelSize);
    }
}
