#include "avif_files.h"
#include "picture_files.h"
#include "pictures/decodecost.h"
#include "pictures/decoding.h"
#include "png_files.h"
#include "system.h"
#include "webp_files.h"
#include "windows_fixture.h"

#include <QAccessible>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tl;
using namespace tl::test;

namespace {

const QSize Cell(105, 81);

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

QList<QRgb> palette(int count)
{
    QList<QRgb> colours;
    for (int i = 0; i < count; ++i)
        colours << qRgb(i * 37 % 256, i * 91 % 256, 255 - i * 53 % 256);
    return colours;
}

// Blocks of ten pixels cycling through `count` palette indices.
int block(int x, int y, int count) { return (x / 10 + y / 10 * 3) % count; }

// Run-length rows, bottom up: each row a list of (count, index) runs, then end of line.
QByteArray rle8Rows(int width, int height)
{
    QByteArray codes;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; x += 10)
            codes.append(char(std::min(10, width - x))).append(char(block(x, y, 64)));
        codes.append('\0').append('\0');
    }
    return codes.append('\0').append(char(1));
}

QByteArray rle4Rows(int width, int height)
{
    QByteArray codes;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; x += 10) {
            const int index = block(x, y, 16);
            codes.append(char(std::min(10, width - x))).append(char(index << 4 | index));
        }
        codes.append('\0').append('\0');
    }
    return codes.append('\0').append(char(1));
}

quint32 rgb555(int x, int y) { return quint32((x * 31 / 200) << 10 | (y * 31 / 150) << 5 | 16); }

QByteArray icoBytes()
{
    QImage image = gradient(64, 64).convertToFormat(QImage::Format_ARGB32);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, "ico").write(image));
    return buffer.data();
}

QImage fullDecode(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (!image.isNull())
        return image;
    QFile file(path); // Qt reads neither WebP nor AVIF here: their own libraries' plain decodes stand for it
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    const QImage webp = webpDecoded(bytes);
    return webp.isNull() ? plainAvifDecode(bytes) : webp;
}

// `image` with its alpha falling from opaque at the top to clear at the bottom.
QImage fading(QImage image)
{
    image.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (image.pixel(x, y) & 0xffffff) | uint(255 - y * 255 / image.height()) << 24);
    return image;
}

QImage inFullColour(const QImage& image)
{
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

// A gradient whose transparency grows to the right, and a palette of blocks of 16 colours, more and
// more transparent.
QImage seeThrough(int width, int height)
{
    QImage image = gradient(width, height).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (image.pixel(x, y) & 0xffffff) | quint32(255 - x * 255 / width) << 24);
    return image;
}

QImage paletteBlocks(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> colours = palette(16);
    for (int i = 0; i < 16; ++i)
        colours[i] = (colours[i] & 0xffffff) | quint32(255 - i * 17) << 24;
    image.setColorTable(colours);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, uint(block(x, y, 16)));
    return image;
}

// An icon whose directory says `side` x `side` and whose one entry holds `entry`.
QByteArray iconSaying(const QByteArray& entry, int side = 16)
{
    QByteArray file;
    putLe(file, 0, 2);
    putLe(file, 1, 2);
    putLe(file, 1, 2);
    file.append(char(side)).append(char(side)).append('\0').append('\0');
    putLe(file, 1, 2);
    putLe(file, 32, 2);
    putLe(file, quint32(entry.size()), 4);
    putLe(file, 22, 4);
    return file + entry;
}

struct PictureFile {
    const char* name;
    std::function<QByteArray()> bytes;
};

// One file of each kind the program reads, with smooth or blocky content so that a reduced
// decode and a full one scaled down agree closely.
const PictureFile Kinds[] = {
    { "photo.jpg", [] { return jpegBytes(gradient(640, 480)); } },
    { "progressive.jpg", [] { return jpegBytes(gradient(640, 480), true); } },
    { "grey.jpg", [] { return jpegBytes(gradient(640, 480).convertToFormat(QImage::Format_Grayscale8)); } },
    { "cmyk.jpg", [] { return cmykJpeg(640, 480); } },
    { "exif-turned.jpg", [] { return withExifOrientation(jpegBytes(gradient(640, 400)), 6); } },
    { "1-bit.bmp",
        [] {
            return bmpFile(200, 150, 1, palette(2), bmpRows(200, 150, 1, [](int x, int y) { return block(x, y, 2); }));
        } },
    { "4-bit.bmp",
        [] {
            return bmpFile(
                200, 150, 4, palette(16), bmpRows(200, 150, 4, [](int x, int y) { return block(x, y, 16); }));
        } },
    { "8-bit.bmp",
        [] {
            return bmpFile(
                200, 150, 8, palette(256), bmpRows(200, 150, 8, [](int x, int y) { return block(x, y, 256); }));
        } },
    { "16-bit.bmp", [] { return bmpFile(200, 150, 16, {}, bmpRows(200, 150, 16, rgb555)); } },
    { "24-bit.bmp",
        [] {
            return bmpFile(200, 150, 24, {},
                bmpRows(200, 150, 24, [](int x, int y) { return qRgb(x * 255 / 200, y * 255 / 150, 128); }));
        } },
    { "32-bit.bmp",
        [] {
            return bmpFile(200, 150, 32, {}, bmpRows(200, 150, 32, [](int x, int y) { return qRgb(x, y, x ^ y); }));
        } },
    { "rle8.bmp", [] { return bmpFile(200, 150, 8, palette(64), rle8Rows(200, 150), 1); } },
    { "rle4.bmp", [] { return bmpFile(200, 150, 4, palette(16), rle4Rows(200, 150), 2); } },
    { "picture.gif",
        [] {
            QByteArray indices;
            for (int y = 0; y < 150; ++y)
                for (int x = 0; x < 200; ++x)
                    indices.append(char(block(x, y, 256)));
            return gifFile(200, 150, palette(256), indices);
        } },
    { "icon.ico", icoBytes },
    { "png-entry.ico",
        [] {
            QImage indexed = gradient(64, 64).convertToFormat(QImage::Format_Indexed8);
            QList<QRgb> colours = indexed.colorTable();
            colours[0] = qRgba(0, 0, 0, 0);
            indexed.setColorTable(colours);
            return iconSaying(withPngChunks(pngBytes(indexed), pngChunk("tEXt", "Comment\0kept out")));
        } },
    { "avif-420.jpg", [] { return avifFile({ gradient(320, 240) }); } },
    { "avif-10-bit.gif", [] { return avifFile({ gradient(320, 240) }, [](AvifRecipe& s) { s.depth = 10; }); } },
    { "avif-444-lossless.bmp",
        [] { return avifFile({ gradient(320, 240) }, [](AvifRecipe& s) { s.lossless = true; }); } },
    { "avif-alpha.jpg",
        [] {
            QImage image = gradient(320, 240).convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 320; ++x)
                    image.setPixel(x, y, (image.pixel(x, y) & 0xffffff) | quint32(40 + x * 200 / 320) << 24);
            return avifFile({ image }, [](AvifRecipe& s) { s.alpha = true; });
        } },
    { "avif-sequence.gif",
        [] {
            return avifFile({ gradient(320, 240), gradient(320, 240).mirrored() });
        } },
    { "webp-lossy.jpg", [] { return webpFile(gradient(640, 480)); } },
    { "webp-lossless.gif", [] { return webpFile(gradient(640, 480), true); } },
    { "webp-lossy-fading.bmp", [] { return webpFile(fading(gradient(640, 480))); } },
    { "webp-animated.gif",
        [] {
            return webpAnimation({ gradient(320, 240), fading(gradient(320, 240)) }, { 60000, 60000 }, 0);
        } },
    { "png-rgb.jpg", [] { return pngFile(gradient(640, 480), {}); } },
    { "png-rgba-interlaced.gif",
        [] {
            return pngFile(seeThrough(640, 480), { PNG_COLOR_TYPE_RGB_ALPHA, 8, true });
        } },
    { "png-4-bit-palette-with-transparency.bmp",
        [] {
            return pngFile(paletteBlocks(200, 150), { PNG_COLOR_TYPE_PALETTE, 4 });
        } },
    { "png-2-bit-grey.jpg",
        [] {
            return pngFile(gradient(640, 480), { PNG_COLOR_TYPE_GRAY, 2 });
        } },
    { "png-grey-and-alpha-checkered.jpg", // every other pixel transparent white: weighed by their opacity
        [] {
            QImage checkered = gradient(640, 480).convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < 480; ++y)
                for (int x = (y + 1) % 2; x < 640; x += 2)
                    checkered.setPixel(x, y, qRgba(255, 255, 255, 0));
            return pngFile(checkered, { PNG_COLOR_TYPE_GRAY_ALPHA, 8 });
        } },
    { "png-16-bit.jpg",
        [] {
            return pngFile(gradient(200, 150), { PNG_COLOR_TYPE_RGB, 16 });
        } },
    { "png-grey-with-a-transparent-level.gif",
        [] {
            return pngFile(gradient(200, 150), { PNG_COLOR_TYPE_GRAY, 8, false, false, { 200 } });
        } },
};

class LoadingFiles : public ::testing::Test {
protected:
    QString write(const PictureFile& file) { return writeBytes(dir, QLatin1String(file.name), file.bytes()); }
    QTemporaryDir temp;
    QDir dir { temp.path() };
};

TEST_F(LoadingFiles, ACellMatchesAFullDecodeScaledToIt)
{
    for (const PictureFile& file : Kinds) {
        const QString path = write(file);
        const QImage full = fullDecode(path);
        ASSERT_FALSE(full.isNull()) << file.name;
        const StdPicture picture = loadCellPicture(path, Cell);
        ASSERT_FALSE(picture.isEmpty()) << file.name;
        EXPECT_EQ(QSize(picture.pixelWidth(), picture.pixelHeight()), full.size()) << file.name;
        EXPECT_EQ(picture.memoryCost(), QFileInfo(path).size() + 4 * Cell.width() * Cell.height())
            << file.name << ": a cell keeps its bytes and its cell image, not the full picture";
        const QImage expected = inFullColour(full).scaled(Cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(largestChannelDifference(picture.scaledCopy(Cell), expected), 12) << file.name;
    }
}

// A camera's thumbnail of a gradient photo, the gradient between bands of `band` when `box` is larger.
QByteArray thumbnailJpeg(QSize size, QSize box = {}, QColor band = Qt::black)
{
    QImage boxed(box.isValid() ? box : size, QImage::Format_RGB32);
    boxed.fill(band);
    QPainter(&boxed).drawImage((boxed.width() - size.width()) / 2, (boxed.height() - size.height()) / 2,
        gradient(size.width(), size.height()));
    return libjpegFile(boxed, { .lumaSampling = 1 });
}

TEST_F(LoadingFiles, ACameraThumbnailMakesTheCellOnlyWhenItShowsThePhoto)
{
    const QByteArray thumbnail = thumbnailJpeg({ 160, 120 });
    const QSize camera(640, 480), wide(600, 400);
    struct Row {
        QString name;
        QSize photo;
        QByteArray thumbnail;
        int orientation;
        QSize pixelSize;
        bool fromThumbnail;
        ExifFault fault = ExifFault::None;
    };
    QList<Row> rows {
        { "camera.jpg", camera, thumbnail, 1, camera, true },
        { "cut-square-after-the-camera.jpg", { 480, 480 }, thumbnail, 1, { 480, 480 }, false },
        { "made-smaller-tags-kept.jpg", { 320, 240 }, thumbnail, 1, camera, false },
        { "thumbnail-40x30.jpg", camera, thumbnailJpeg({ 40, 30 }), 1, camera, false },
        { "3-2-letterboxed-thumbnail.jpg", wide, thumbnailJpeg({ 160, 107 }, { 160, 120 }), 1, wide, true },
        { "3-2-thumbnail-in-grey-bands.jpg", wide, thumbnailJpeg({ 160, 107 }, { 160, 120 }, Qt::gray), 1, wide,
            false },
        { "3-2-thumbnail-in-nearly-black-bands.jpg", wide,
            thumbnailJpeg({ 160, 107 }, { 160, 120 }, QColor(14, 14, 14)), 1, wide, true },
        { "3-2-thumbnail-in-dark-grey-bands.jpg", wide, thumbnailJpeg({ 160, 107 }, { 160, 120 }, QColor(34, 34, 34)),
            1, wide, false },
        { "pillarboxed-thumbnail-wider-than-its-photo.jpg", { 180, 120 }, thumbnailJpeg({ 180, 120 }, { 200, 120 }), 1,
            { 180, 120 }, false },
        { "truncated-thumbnail.jpg", camera, thumbnail.left(thumbnail.size() - 300), 1, camera, false },
        { "thumbnail-past-the-exif-block.jpg", camera, thumbnail, 1, camera, false, ExifFault::ThumbnailPastTheBlock },
        { "ifd0-names-itself-next.jpg", camera, thumbnail, 1, camera, false, ExifFault::Ifd0NamesItselfNext },
    };
    for (int orientation = 1; orientation <= 8; ++orientation)
        rows.append({ QStringLiteral("exif-orientation-%1.jpg").arg(orientation), camera, thumbnail, orientation,
            camera, true });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        // Some cameras write more after the picture: reading the file whole shows in the bytes read.
        const QByteArray photo = libjpegFile(gradient(row.photo.width(), row.photo.height()), {});
        const QByteArray file = withCameraExif(photo, row.thumbnail, row.orientation, row.pixelSize, row.fault);
        const QString path = writeBytes(dir, row.name, file + QByteArray(256 << 10, '\0'));
        const QString plain = writeBytes(dir, QStringLiteral("plain.jpg"), withExifOrientation(photo, row.orientation));
        const StdPicture expected = loadCellPicture(plain, Cell);
        const qint64 before = cellFileBytesRead();
        const StdPicture picture = loadCellPicture(path, Cell);
        EXPECT_EQ(cellFileBytesRead() - before < QFileInfo(path).size() / 2, row.fromThumbnail)
            << "the file read whole";
        ASSERT_FALSE(picture.isEmpty());
        EXPECT_EQ(
            QSize(picture.pixelWidth(), picture.pixelHeight()), QSize(expected.pixelWidth(), expected.pixelHeight()));
        EXPECT_LE(largestChannelDifference(picture.scaledCopy(Cell), expected.scaledCopy(Cell)), 16)
            << "the cell shows another part or turn of the photo";
    }
}

// A photo cut short is made from what its file holds, never from the whole thumbnail at its head,
// and says that it is incomplete, in its cell and in full; what a camera writes after the end
// marker, or zeros it pads the file with, leave it whole. So with a BMP or icon whose rows stop short
// (those it lacks are blank) and a GIF whose frame does; cut before their pixels, they are no picture.
TEST_F(LoadingFiles, APictureCutShortShowsWhatItsFileHolds)
{
    const QSize camera(640, 480);
    const QByteArray photo = withCameraExif(
        libjpegFile(gradient(camera.width(), camera.height()), {}), thumbnailJpeg({ 160, 120 }), 1, camera);
    const QByteArray plain = libjpegFile(gradient(camera.width(), camera.height()), {});
    const qsizetype scan = photo.lastIndexOf("\xff\xda"); // the photo's, after its thumbnail's
    const QByteArray icon = icoBytes();
    const QByteArray icon8 = iconSaying( // rows then mask, in a header of twice their height
        bmpFile(40, 80, 8, palette(4), QByteArray(40 * 40, '\2') + QByteArray(8 * 40, '\0')).mid(14), 40);
    const QByteArray greyRows(40 * 3 * 40, '\x7f');
    const QByteArray bmp = bmpFile(40, 40, 24, {}, greyRows);
    // Rows of one run, the last of five pixels as they are (padded to a word) and a run of 35.
    const QByteArray runs
        = QByteArray::fromHex("28010000").repeated(39) + QByteArray::fromHex("000501020301020023010000");
    const QByteArray rle = bmpFile(40, 40, 8, palette(4), runs + QByteArray::fromHex("0001"), 1);
    const QByteArray gif = gifFile(40, 40, palette(4), QByteArray(1600, '\1'));
    const GifFrameSpec frame { QRect(0, 0, 40, 40), QByteArray(1600, '\2'), 5, 1 };
    const QByteArray animated = animatedGif({ 40, 40 }, palette(4), { frame, frame });
    const QRgb grey = qRgb(127, 127, 127), blank = qRgba(0, 0, 0, 0);
    QImage noise(64, 64, QImage::Format_RGB32); // rows that do not compress to a few bytes
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            noise.setPixel(x, y, x < 2 ? grey : qRgb(x * y % 251, (x ^ y) * 7 % 256, x * 31 % 256));
    const QByteArray lossy = webpFile(gradient(640, 480)), lossless = webpFile(noise, true);
    const QByteArray webpAnimated = webpAnimation({ noise, gradient(64, 64) }, { 50, 50 }, 0);
    QImage greyPicture(40, 40, QImage::Format_RGB32);
    greyPicture.fill(grey);
    const QByteArray png = pngFile(greyPicture, { .stored = true });
    const QByteArray interlaced = pngFile(greyPicture, { .interlaced = true, .stored = true });
    QByteArray idatDamaged = png, gammaDamaged = withPngChunks(png, pngChunk("gAMA", QByteArray::fromHex("000186a0")));
    idatDamaged[png.indexOf("IDAT", png.size() / 2) + 10] ^= 1;
    gammaDamaged[33 + 12 + 3] ^= 1; // its CRC: it would say the numbers are light
    const struct {
        const char* name;
        QByteArray bytes;
        bool fromThumbnail, incomplete;
        QSize size = { 640, 480 };
        bool shown = true;
        std::optional<std::pair<QRgb, QRgb>> topAndBottom = {}; // the full picture's first column
    } rows[] = {
        { "camera.jpg", photo, true, false },
        { "camera-with-a-trailer.jpg", photo + QByteArray(3000, 'x'), true, false },
        { "camera-padded.jpg", photo + QByteArray(64 << 10, '\0'), true, false },
        { "camera-padded-as-flash-is.jpg", photo + QByteArray(64 << 10, '\xff'), true, false },
        { "camera-cut-short.jpg", photo.left(photo.size() * 2 / 3), false, true },
        { "camera-cut-near-its-thumbnail.jpg", photo.left(scan + 1000), false, true },
        { "camera-cut-where-its-scan-begins.jpg", photo.left(scan + 14), false, true },
        { "cut-short.jpg", plain.left(plain.size() / 2), false, true },
        { "whole.bmp", bmp, false, false, { 40, 40 }, true, { { grey, grey } } },
        { "rows-cut.bmp", bmp.chopped(120 * 25 + 7), false, true, { 40, 40 }, true, { { blank, grey } } },
        { "top-down-rows-cut.bmp", bmpFile(40, -40, 24, {}, greyRows).chopped(120), false, true, { 40, 40 }, true,
            { { grey, blank } } },
        { "8-bit-rows-cut.bmp", bmpFile(40, 40, 8, palette(4), QByteArray(40 * 20, '\2')), false, true, { 40, 40 },
            true, { { blank, palette(4)[2] } } },
        { "run-length.bmp", rle, false, false, { 40, 40 } },
        { "run-length-cut.bmp", rle.chopped(rle.size() / 3), false, true, { 40, 40 } },
        { "rows-cut.ico", icon.chopped(icon.size() / 3), false, true, { 64, 64 }, true,
            { { blank, QImage::fromData(icon).pixel(0, 63) } } },
        { "mask-cut.ico", icon.chopped(100), false, true, { 64, 64 } },
        { "8-bit-rows-cut.ico", icon8.chopped(320 + 40 * 20), false, true, { 40, 40 }, true,
            { { blank, palette(4)[2] } } },
        { "whole.gif", gif, false, false, { 40, 40 } },
        { "without-its-trailer.gif", gif.chopped(1), false, false, { 40, 40 } },
        { "cut.gif", gif.left(gif.size() * 2 / 3), false, true, { 40, 40 } },
        { "later-frame-cut.gif", animated.chopped(10), false, true, { 40, 40 } },
        { "cut-before-its-pixels.gif", gif.left(13 + 3 * 256 + 11), false, false, {}, false },
        { "cut-short-avif.gif", avifFile({ gradient(64, 48) }).chopped(40), false, false, {}, false },
        { "webp-lossy-cut.jpg", lossy.left(lossy.size() / 2), false, true },
        { "webp-lossless-cut.gif", lossless.left(lossless.size() / 2), false, true, { 64, 64 }, true,
            { { grey, blank } } },
        { "webp-cut-in-its-headers.bmp", lossy.left(40), false, false, {}, false },
        { "webp-animation-cut-in-a-later-frame.gif", webpAnimated.chopped(10), false, true, { 64, 64 }, true,
            { { grey, grey } } },
        { "webp-animation-cut-in-its-first-frame.gif", webpAnimated.left(76 + lossless.size() / 2), false, true,
            { 64, 64 }, true, { { grey, blank } } },
        { "png-whole.jpg", png, false, false, { 40, 40 }, true, { { grey, grey } } },
        { "png-with-a-damaged-gama.jpg", gammaDamaged, false, false, { 40, 40 }, true, { { grey, grey } } },
        { "png-rows-cut.jpg", png.left(png.size() / 2), false, true, { 40, 40 }, true, { { grey, blank } } },
        { "png-idat-damaged.gif", idatDamaged, false, true, { 40, 40 }, true, { { grey, blank } } },
        { "png-interlaced-cut.bmp", interlaced.left(interlaced.size() * 3 / 4), false, true, { 40, 40 } },
        { "png-cut-before-its-pixels.jpg", png.left(png.indexOf("IDAT") + 8), false, false, {}, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = writeBytes(dir, QLatin1String(row.name), row.bytes);
        const StdPicture cell = loadCellPicture(path, Cell);
        EXPECT_EQ(cell.failure() == PictureFailure::None, row.shown);
        if (!row.shown)
            continue;
        ASSERT_FALSE(cell.isEmpty());
        EXPECT_EQ(cell.memoryCost() == 4 * Cell.width() * Cell.height(), row.fromThumbnail)
            << "a cell made from the file keeps its bytes";
        EXPECT_EQ(cell.incomplete(), row.incomplete);
        const StdPicture full = LoadPicture(path);
        EXPECT_EQ(full.incomplete(), row.incomplete);
        QFile file(path); // read from the file, as a picture too large to hold is
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(decodePicture(file, file.size(), {}).incomplete, row.incomplete);
        EXPECT_EQ(QSize(cell.pixelWidth(), cell.pixelHeight()), row.size);
        if (row.topAndBottom) {
            const QImage image = full.image();
            EXPECT_EQ(std::pair(image.pixel(0, 0), image.pixel(0, image.height() - 1)), *row.topAndBottom);
        }
        ImageControl control;
        control.setPicture(cell);
        EXPECT_EQ(control.widget()->toolTip().contains(QStringLiteral("一部が欠けています")), row.incomplete);
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(control.widget());
        ASSERT_NE(spoken, nullptr);
        EXPECT_EQ(
            spoken->text(QAccessible::Description).contains(QStringLiteral("一部が欠けています")), row.incomplete);
    }
}

TEST_F(LoadingFiles, HostileFiles)
{
    const QList<QRgb> fourColours = palette(4);
    struct Row {
        const char* file;
        QByteArray bytes;
        bool cell; // a cell picture is made
        QRgb cellColour = 0; // what the cell shows in its middle, when not 0
        bool indexed = false; // the full picture keeps its colour table
        PictureFailure failure = PictureFailure::NotAPicture; // when no cell is made
    };
    const Row rows[] = {
        // 8 x 4 pixels and 4 colours declared, no pixel in the file.
        { "short-pixel-data.bmp", bmpFile(8, 4, 8, fourColours, {}), false },
        { "16834040x12.bmp", bmpFile(16834040, 12, 24, {}, QByteArray(9, '\0')), false },
        // Declares more pixel bytes than 64 bits can count.
        { "2147483647x2147483647.bmp", bmpFile(INT_MAX, INT_MAX, 32, {}, QByteArray(16, '\0')), false },
        { "cut-headers.bmp", bmpFile(8, 4, 8, fourColours, QByteArray(32, '\0')).left(30), false },
        // Pixels that name colours past the table show as black, never as stray memory.
        { "indices-past-table.bmp", bmpFile(8, 8, 8, palette(2), QByteArray(64, char(200))), true, qRgb(0, 0, 0),
            true },
        // Runs that end early leave the rest of the picture in colour 0.
        { "runs-ending-early.bmp",
            bmpFile(40, 40, 8, { qRgb(0, 255, 0), qRgb(255, 0, 0) },
                QByteArray::fromHex("0501") + QByteArray::fromHex("0001"), 1),
            true, qRgb(0, 255, 0) },
        // Two blues: the cell is blue, not dithered to black and white.
        { "blue-1bit.bmp",
            bmpFile(64, 64, 1, { qRgb(0, 0, 160), qRgb(0, 0, 255) },
                bmpRows(64, 64, 1, [](int x, int y) { return (x + y) % 2; })),
            true, qRgb(0, 0, 208) },
        { "header-only-16000x16000.gif", headerOnlyGif(16000, 16000), true, qRgb(0, 0, 0) },
        { "header-only-20000x20000.jpg", jpegDeclaring(20000, 20000), true },
        { "not-a-picture.jpg", QByteArray("just text"), false },
        { "rle8-1x1000000000.bmp", bmpFile(1, 1000000000, 8, palette(2), QByteArray::fromHex("0001"), 1), false, 0,
            false, PictureFailure::TooLarge },
        { "empty.gif", QByteArray(), false },
        // Pictures are decoded by their content, whatever the file's name.
        { "png-named.bmp", pngBytes(gradient(40, 30)), true },
        { "1x1-xpm-of-300-colours-named.bmp", xpmFile(300), false },
        { "jpeg-named.gif", jpegBytes(gradient(64, 48)), true },
        // A container says an AVIF's size: past what libavif reads, or what the budget holds, it is refused.
        { "avif-declaring-65535x65535.jpg", avifDeclaring(65535, 65535), false, 0, false, PictureFailure::TooLarge },
        { "10-bit-avif-declaring-15000x15000.gif", avifDeclaring(15000, 15000, 10), false, 0, false,
            PictureFailure::TooLarge },
        { "webp-animation-on-a-16383x16383-canvas.gif",
            webpCanvasSaying(webpAnimation({ gradient(8, 8), gradient(8, 8).mirrored() }, { 50, 50 }, 0), 16383, 16383),
            false, 0, false, PictureFailure::TooLarge },
        { "webp-animation-without-frames.bmp", webpAnimationWithoutFrames(), false },
        { "webp-cut-animation-frame-past-its-canvas.jpg",
            webpFrameSaying(webpAnimation({ gradient(64, 48), gradient(64, 48).mirrored() }, { 50, 50 }, 0).chopped(9),
                { 4096, 4096 }),
            false },
        { "webp-lossless-16383x16383-of-a-few-bytes.jpg", webpLosslessSaying(16383, 16383), false, 0, false,
            PictureFailure::TooLarge },
        { "webp-profile-chunk-past-the-file.jpg",
            webpChunkSaying(
                webpWithChunk(webpFile(gradient(64, 48)), "ICCP", QByteArray(3000, 'x')), "ICCP", 0xfffffff0),
            false },
        { "webp-file-and-frame-chunks-past-the-file.gif",
            webpChunkSaying(
                webpChunkSaying(webpAnimation({ gradient(64, 48), gradient(64, 48).mirrored() }, { 50, 50 }, 0), "RIFF",
                    0x7ffffff0),
                "ANMF", 0x7ffffff0),
            true },
        { "png-2147483647x2147483647.jpg", pngDeclaring(INT_MAX, INT_MAX), false, 0, false, PictureFailure::TooLarge },
        { "png-header-only-16383x16383.jpg", pngDeclaring(16383, 16383), false },
    };
    for (const Row& row : rows) {
        const QString path = writeBytes(dir, QLatin1String(row.file), row.bytes);
        const StdPicture picture = loadCellPicture(path, Cell);
        EXPECT_EQ(!picture.isEmpty(), row.cell) << row.file;
        if (!row.cell) {
            EXPECT_EQ(picture.failure(), row.failure) << row.file;
            EXPECT_THROW(LoadPicture(path), PictureError) << row.file;
            continue;
        }
        EXPECT_LT(picture.memoryCost(), 1 << 20) << row.file << ": a cell holds a cell, whatever the file declares";
        // Drawn as it is, an indexed picture looks its colours up in its table: every index must be in it.
        if (row.indexed) {
            EXPECT_EQ(picture.fullImage().colorCount(), 256) << row.file;
        }
        const QColor middle = picture.scaledCopy(Cell).pixelColor(Cell.width() / 2, Cell.height() / 2);
        if (row.cellColour) {
            const QColor expected(row.cellColour);
            EXPECT_NEAR(middle.red(), expected.red(), 8) << row.file;
            EXPECT_NEAR(middle.green(), expected.green(), 8) << row.file;
            EXPECT_NEAR(middle.blue(), expected.blue(), 8) << row.file;
        }
    }
}

// An AVIF is shown turned by its rotation and mirror properties, or by its EXIF orientation when it has
// neither: a file with both (as writers make them from a photo's EXIF) is turned once.
TEST_F(LoadingFiles, AnAvifIsTurnedAsItsFileSays)
{
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    QImage quadrants(64, 32, QImage::Format_RGB32);
    QPainter painter(&quadrants);
    painter.fillRect(0, 0, 32, 16, red);
    painter.fillRect(32, 0, 32, 16, green);
    painter.fillRect(0, 16, 32, 16, blue);
    painter.fillRect(32, 16, 32, 16, white);
    painter.end();
    QByteArray exif6 = withExifOrientation({}, 6);
    exif6.remove(0, exif6.indexOf("MM")); // its TIFF structure
    const QList<QRgb> quarterClockwise { blue, red, white, green };
    const struct {
        const char* name;
        int quarterTurns, mirror;
        QByteArray exif;
        QList<QRgb> corners; // top left, top right, bottom left, bottom right
    } rows[] = {
        { "turned-then-left-right.jpg", 1, 1, {}, { white, green, blue, red } },
        { "turned-three-quarters.gif", 3, -1, {}, quarterClockwise },
        { "top-bottom.bmp", 0, 0, {}, { blue, white, red, green } },
        { "exif-6.jpg", 0, -1, exif6, quarterClockwise },
        { "exif-6-and-turned-three-quarters.jpg", 3, -1, exif6, quarterClockwise },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray file = avifFile({ quadrants },
            [&row](AvifRecipe& s) { s.quarterTurns = row.quarterTurns, s.mirror = row.mirror, s.exif = row.exif; });
        const QImage image = LoadPicture(writeBytes(dir, QLatin1String(row.name), file)).image();
        ASSERT_EQ(image.size(), row.quarterTurns % 2 || !row.exif.isEmpty() ? QSize(32, 64) : QSize(64, 32));
        const QList<QPoint> corners { { 4, 4 }, { image.width() - 5, 4 }, { 4, image.height() - 5 },
            { image.width() - 5, image.height() - 5 } };
        for (int i = 0; i < 4; ++i) {
            const QRgb got = image.pixel(corners[i]), want = row.corners[i];
            EXPECT_LE(std::max({ std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                          std::abs(qBlue(got) - qBlue(want)) }),
                16)
                << "corner " << i;
        }
    }
}

TEST_F(LoadingFiles, MangledFilesLoadOrFailButNeverReadStrayMemory)
{
    // Bytes changed and files cut short at fixed places: each load gives a picture or none, and
    // what it gives can be drawn. Run under a memory checker, no read leaves what was allocated.
    QRandomGenerator random(8);
    QImage canvas(64, 64, QImage::Format_RGB32);
    QPainter painter(&canvas);
    for (const PictureFile& file : Kinds) {
        const QByteArray original = file.bytes();
        for (int trial = 0; trial < 12; ++trial) {
            QByteArray bytes = original;
            for (int change = 0; change < 4; ++change)
                bytes[random.bounded(int(std::min<qsizetype>(bytes.size(), 160)))] = char(random.bounded(256));
            if (trial % 3 == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            const StdPicture picture = loadCellPicture(writeBytes(dir, QLatin1String(file.name), bytes), Cell);
            painter.drawImage(canvas.rect(), picture.scaledCopy(Cell));
            const QImage full = picture.fullImage();
            if (full.width() <= 4096 && full.height() <= 4096)
                painter.drawImage(0, 0, full);
        }
    }
}

TEST_F(LoadingFiles, OnlyRegularFilesAreRead)
{
    const QString fifo = dir.filePath("fifo.jpg");
    ASSERT_EQ(makeFifo(fifo), HasFifos);
    dir.mkdir("folder.jpg");
    for (const QString& path : { fifo, dir.filePath("folder.jpg"), dir.filePath("missing.jpg") }) {
        EXPECT_TRUE(loadCellPicture(path, Cell).isEmpty()) << path.toStdString();
        EXPECT_THROW(LoadPicture(path), PictureError) << path.toStdString();
    }
}

TEST_F(LoadingFiles, AFileTooLargeToHoldIsReadAgainFromItsPath)
{
    // 256 MB of 8-bit pixels, sparse on disk: never read whole into memory.
    const QString path = dir.filePath("sparse.bmp");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bmpFile(16000, 16000, 8, palette(256), {}));
        ASSERT_TRUE(file.resize(file.size() + qint64(16000) * 16000));
    }
    const qint64 heldBefore = heldBytes();
    const StdPicture picture = loadCellPicture(path, Cell);
    ASSERT_FALSE(picture.isEmpty());
    EXPECT_EQ(heldBytes(), heldBefore);
    EXPECT_LT(picture.memoryCost(), 1 << 20);
    EXPECT_EQ(picture.fullImage().size(), QSize(16000, 16000));
}

TEST_F(LoadingFiles, HeldBytesStayWithinTheirBudgetAndGoWithTheirPictures)
{
    const QString path = writeBytes(dir, "photo.jpg", jpegBytes(gradient(320, 240)));
    const qint64 size = QFileInfo(path).size();
    const qint64 heldBefore = heldBytes();
    qsizetype costWithBytes = 0;
    {
        const StdPicture picture = loadCellPicture(path, Cell);
        costWithBytes = picture.memoryCost();
        const StdPicture same = picture;
        EXPECT_EQ(heldBytes(), heldBefore + size);
    }
    EXPECT_EQ(heldBytes(), heldBefore) << "the bytes are counted until the last holder lets go";

    // With the budget spent, a picture keeps its path and reads the file again when opened.
    const qint64 rest = HeldBytesBudget - heldBytes();
    ASSERT_TRUE(reserveHeldBytes(rest));
    const StdPicture picture = loadCellPicture(path, Cell);
    releaseHeldBytes(rest);
    ASSERT_FALSE(picture.isEmpty());
    EXPECT_EQ(picture.memoryCost(), costWithBytes - size);
    EXPECT_EQ(picture.fullImage().size(), QSize(320, 240));
    EXPECT_EQ(heldBytes(), heldBefore);

    std::atomic<bool> cancelled { true };
    EXPECT_TRUE(loadCellPicture(path, Cell, &cancelled).isEmpty());
    EXPECT_EQ(heldBytes(), heldBefore) << "a cancelled load keeps nothing";
    EXPECT_TRUE(loadCellPicture(writeBytes(dir, "not-a-picture.jpg", QByteArray(5000, 'x')), Cell).isEmpty());
    EXPECT_EQ(heldBytes(), heldBefore) << "a failed decode keeps nothing";
}

// What the picture window holds counts with the decodes in flight. A decode made only if there is
// room (a picture read ahead) gets no share where they leave none; alone, any decode runs; one that
// only held pictures keep waiting says it wants room, so that the window lets go of them.
TEST(DecodeBudgetShares, HeldPicturesCountWithTheDecodesInFlight)
{
    constexpr qint64 MB = qint64(1) << 20;
    struct Row {
        const char* what;
        qint64 held, decoding, cost;
        bool given;
    };
    const Row rows[] = {
        { "alone, past the budget", 0, 0, 2 * DecodeBudget, true },
        { "beside what is held", 800 * MB, 0, 200 * MB, true },
        { "past what is held", 900 * MB, 0, 200 * MB, false },
        { "past what decodes", 0, 900 * MB, 200 * MB, false },
        { "past both", 500 * MB, 400 * MB, 200 * MB, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const qint64 before = budgetInUse();
        const BudgetHold held(row.held);
        const std::optional<DecodeTicket> decoding
            = row.decoding ? std::make_optional<DecodeTicket>(row.decoding, nullptr) : std::nullopt;
        {
            const OnlyIfRoom room;
            const DecodeTicket ticket(row.cost, nullptr);
            EXPECT_EQ(ticket.given(), row.given);
            EXPECT_EQ(
                budgetInUse(), before + row.held + row.decoding + (row.given ? std::min(row.cost, DecodeBudget) : 0));
        }
        EXPECT_EQ(BudgetHold::ifRoom(row.cost) != nullptr, row.given && row.cost <= DecodeBudget);
        if (row.given || row.decoding)
            continue;
        // Waiting for room only the held pictures take.
        std::atomic<bool> cancelled = false;
        std::thread waiter([&] { const DecodeTicket ticket(row.cost, &cancelled); });
        EXPECT_TRUE(QTest::qWaitFor([] { return roomWanted(); }, 5000));
        cancelled = true;
        waiter.join();
        EXPECT_FALSE(roomWanted());
    }
}

// A PNG past the budget whole is reduced as its rows are decoded: with all but 64 MB of the budget
// held, its cell and the picture window's fitted view of it are still made, at their own size.
TEST(DecodeBudgetShares, AHugePngIsReducedAsItsRowsAreDecoded)
{
    const QByteArray zeros = pngOfZeros(20000, 20000);
    const auto decode = [&](QSize cell, const ShownFor& shownFor = {}) {
        QBuffer buffer;
        buffer.setData(zeros);
        buffer.open(QIODevice::ReadOnly);
        return shownFor ? decodePictureForView(buffer, zeros.size(), shownFor)
                        : decodePicture(buffer, zeros.size(), cell);
    };
    EXPECT_EQ(decode({}).failure, PictureFailure::TooLarge);
    const BudgetHold held(DecodeBudget - (qint64(64) << 20));
    const OnlyIfRoom room;
    const Decoded cell = decode(Cell);
    EXPECT_EQ(cell.image.size(), Cell);
    EXPECT_EQ(cell.image.pixel(50, 40), qRgb(0, 0, 0));
    const Decoded fitted = decode({}, [](QSize natural) { return natural.scaled(900, 700, Qt::KeepAspectRatio); });
    EXPECT_EQ(fitted.image.size(), QSize(700, 700));
    EXPECT_EQ(fitted.natural, QSize(20000, 20000));
}

// A PNG decode cancelled while it runs stops at the next row: it reads no further and gives no picture.
TEST(PictureLoading, ACancelledPngDecodeStopsBetweenItsRows)
{
    QImage grey(2000, 2000, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    const QByteArray png = pngFile(grey, { .stored = true });
    std::atomic<bool> cancelled = false;
    const qint64 third = png.size() / 3;
    // A file that cancels its decode once a third of it is read.
    struct Cancelling : MadeUpFile {
        using MadeUpFile::MadeUpFile;
        std::atomic<bool>* cancelled = nullptr;
        qint64 after = 0;
        qint64 readData(char* data, qint64 most) override
        {
            if (pos() > after)
                *cancelled = true;
            return MadeUpFile::readData(data, most);
        }
    } device(png, 0, 0, {});
    device.cancelled = &cancelled;
    device.after = third;
    EXPECT_TRUE(decodePicture(device, png.size(), {}, &cancelled).image.isNull());
    EXPECT_LT(device.taken, 2 * third);
}

// Run as an ordinary user (root reads every file): see CMakeLists.txt.
TEST_F(LoadingFiles, AnUnreadableFileIsNotReplacedByItsNamesake)
{
    if (permissionsDoNotStopReading())
        GTEST_SKIP() << "this user reads the file whatever its permission bits";
    const QString path = writePicture(dir, "photo.jpg", 30, 20, Qt::red);
    writePicture(dir, "photo.jpg.png", 30, 20, Qt::blue);
    ASSERT_TRUE(QFile::setPermissions(path, {}));
    EXPECT_TRUE(loadCellPicture(path, Cell).isEmpty());
    EXPECT_THROW(LoadPicture(path), PictureError);
}

class OpeningFromCells : public WindowsTest {
protected:
    void loadFolder()
    {
        ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
        form->mnuCget->trigger();
    }
    const ImageControl& windowImage() { return Window<frmPicture>().Instance()->Image1; }
    void clickShowsAFullDecode(int k);
};

TEST_F(OpeningFromCells, ThePictureWindowShowsExactlyAFullDecode)
{
    // A page at a time, in folders of their own, each page clicked once all its cells show.
    const size_t Cells = std::tuple_size_v<decltype(form->Image2)>;
    for (size_t first = 0; first < std::size(Kinds); first += Cells) {
        const QDir page(dir.filePath(QString::number(first)));
        ASSERT_TRUE(dir.mkpath(page.path()));
        for (size_t i = first; i < std::min(first + Cells, std::size(Kinds)); ++i)
            writeBytes(page, QLatin1String(Kinds[i].name), Kinds[i].bytes());
        ASSERT_TRUE(form->Dir1.openFolder(page.path()));
        form->mnuCget->trigger();
        const int count = form->List1.ListCount();
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(form->Image2.begin(), form->Image2.begin() + count,
                                     [](const ImageControl& cell) { return !cell.Picture().isEmpty(); }),
            30000);
        for (int k = 0; k < count; ++k)
            clickShowsAFullDecode(k);
    }
}

void OpeningFromCells::clickShowsAFullDecode(int k)
{
    const QString path = form->List1.List(k);
    form->Image2_Click(k);
    EXPECT_TRUE(windowImage().Picture().sameObject(form->Image2[k].Picture())) << path.toStdString();
    const QImage full = fullDecode(path);
    EXPECT_EQ(inFullColour(windowImage().shownImage()), inFullColour(full)) << path.toStdString();
    EXPECT_EQ(windowImage().Width(), full.width() * 15) << path.toStdString();
}

TEST_F(OpeningFromCells, AChangedOrRemovedFileOpensAsTheCellShowsIt)
{
    writePicture(dir, "changed.jpg", 300, 200, Qt::red);
    writePicture(dir, "removed.bmp", 120, 90, Qt::green);
    loadFolder();
    writePicture(dir, "changed.jpg", 50, 60, Qt::blue);
    QFile::remove(dir.filePath("removed.bmp"));

    form->Image2_Click(0);
    EXPECT_EQ(windowImage().shownImage().size(), QSize(300, 200));
    EXPECT_EQ(windowImage().shownImage().pixelColor(150, 100).red(), 254);
    form->Image2_Click(1);
    EXPECT_EQ(windowImage().shownImage().size(), QSize(120, 90));
    EXPECT_EQ(windowImage().shownImage().pixelColor(60, 45), QColor(Qt::green));
}

TEST_F(OpeningFromCells, APhotoShownFromItsThumbnailOpensAsItsFileIsNow)
{
    const QByteArray photo
        = withCameraExif(libjpegFile(gradient(640, 480), {}), thumbnailJpeg({ 160, 120 }), 1, { 640, 480 });
    for (const char* name : { "a-unchanged.jpg", "b-changed.jpg", "c-removed.jpg", "d-cut.jpg" })
        writeBytes(dir, QLatin1String(name), photo);
    loadFolder();
    writePicture(dir, "b-changed.jpg", 50, 60, Qt::blue);
    QFile::remove(dir.filePath("c-removed.jpg"));
    writeBytes(dir, QStringLiteral("d-cut.jpg"), photo.left(photo.size() / 2));

    form->Image2_Click(0);
    EXPECT_EQ(inFullColour(windowImage().shownImage()), inFullColour(fullDecode(dir.filePath("a-unchanged.jpg"))));
    form->Image2_Click(1);
    EXPECT_EQ(windowImage().shownImage().size(), QSize(50, 60));
    form->Image2_Click(2);
    frmPicture* window = Window<frmPicture>().Instance();
    EXPECT_TRUE(window->Image1.Picture().isEmpty());
    EXPECT_EQ(window->VScroll1.Max(), 0);
    EXPECT_EQ(window->HScroll1.Max(), 0);
    form->Image2_Click(3);
    EXPECT_EQ(windowImage().widget()->toolTip(), QStringLiteral("一部が欠けています"));
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(OpeningFromCells, APictureTooLargeToOpenShowsTheEmptyPicture)
{
    writeBytes(dir, "header-only-20000x20000.jpg", jpegDeclaring(20000, 20000));
    loadFolder();
    ASSERT_FALSE(form->Image2[0].Picture().isEmpty()) << "its reduced decode fits";
    form->Image2_Click(0);
    frmPicture* window = Window<frmPicture>().Instance();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Image1.Picture().isEmpty());
    EXPECT_EQ(window->VScroll1.Max(), 0);
    EXPECT_EQ(window->HScroll1.Max(), 0);
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(OpeningFromCells, APageOfHugeHeaderOnlyGifsStaysWithinMemory)
{
    for (int i = 0; i < 24; ++i)
        writeBytes(dir, QStringLiteral("huge%1.gif").arg(i, 2, 10, QLatin1Char('0')), headerOnlyGif(16000, 16000));
    ASSERT_TRUE(form->Dir1.openFolder(dir.path()));
    // The peak is counted from here on: writing 5 resets it to what the process holds now.
    if (!restartPeakMemory())
        GTEST_SKIP() << "the peak memory cannot be reset here";
    const qint64 idle = statusKilobytes("VmRSS:");
    form->mnuCget->trigger();
    // Each decode takes the whole budget, so they run one at a time and fill their cells late.
    const auto allFilled = [&] {
        return std::ranges::none_of(form->Image2, [](const ImageControl& cell) { return cell.Picture().isEmpty(); });
    };
    ASSERT_TRUE(QTest::qWaitFor(allFilled, 120000));
    const qint64 peak = statusKilobytes("VmHWM:");
    RecordProperty("peakAboveIdleKB", QByteArray::number(peak - idle).constData());
    EXPECT_LT(peak - idle, 2500 * 1024) << "kB above idle";
}

// A PNG's signature and header, and nothing after them.
QByteArray pngHeader(quint32 width, quint32 height, int depth)
{
    QByteArray header = QByteArray("IHDR") + QByteArray(13, '\0');
    qToBigEndian(width, header.data() + 4);
    qToBigEndian(height, header.data() + 8);
    header[12] = char(depth);
    header[13] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + header + QByteArray(4, '\0');
}

TEST(PictureLoading, WhatADecodeCostsIsReadAsTheDecoderReadsTheFile)
{
    QByteArray bitmap;
    for (quint32 field : { 40u, 4000u, 2 * 3000u })
        putLe(bitmap, field, 4);
    putLe(bitmap, 1, 2);
    putLe(bitmap, 32, 2);
    bitmap.append(QByteArray(24, '\0'));
    const QByteArray frameAfterAComment = QByteArray::fromHex("4749463839610a000a0000000021fe0361626300")
        + QByteArray::fromHex("2c05000000b80b140000") + QByteArray::fromHex("0200") + ';';
    const QByteArray frameAfterLongComments = frameAfterAComment.left(13) + QByteArray::fromHex("21fe")
        + (char(255) + QByteArray(255, 'c')).repeated(300) + '\0' + frameAfterAComment.mid(13);
    struct Row {
        const char* file;
        QByteArray bytes;
        qint64 cost;
    };
    const Row rows[] = {
        { "icon-says-16x16-holds-16384x16384-png.ico", iconSaying(pngHeader(16384, 16384, 8)),
            2 * 16384LL * 16384 * 4 },
        { "icon-says-16x16-holds-4000x3000-bitmap.ico", iconSaying(bitmap), 4000LL * 3000 * 4 },
        { "icon-holds-16-bit-png.ico", iconSaying(pngHeader(1000, 1000, 16)), 2 * 1000LL * 1000 * 8 },
        { "icon-holds-4294967295x4294967295-png.ico", iconSaying(pngHeader(UINT_MAX, UINT_MAX, 16)),
            2 * (1LL << 58) * 8 },
        { "header-only-16000x16000.gif", headerOnlyGif(16000, 16000), 16000LL * 16000 * 4 },
        { "header-only-16000x100.gif", headerOnlyGif(16000, 100), 16000LL * 100 * 4 },
        { "10x10-screen-frame-after-a-comment-reaching-3005x20.gif", frameAfterAComment, 3005LL * 20 * 4 },
        { "first-frame-past-the-head.gif", frameAfterLongComments, -1 },
        { "rle8-1x1000000000.bmp", bmpFile(1, 1000000000, 8, palette(2), QByteArray::fromHex("0001"), 1),
            4LL * 1000000000 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(declaredCost(row.bytes.left(CostHeadBytes), row.bytes.size(), QSize(16, 16)), row.cost) << row.file;
}

TEST(PictureLoading, ADecodeReadsWhatItsPictureNeedsNotAllTheFileCarries)
{
    const QByteArray text = pngChunk("tEXt", QByteArray("Comment\0", 8) + QByteArray(1 << 20, 't'));
    struct Row {
        const char* file;
        QByteArray bytes;
        QSize size;
    } rows[] = {
        { "gif-of-200000-one-pixel-frames.gif", gifOfTinyFrames(200000), { 1, 1 } },
        { "icon-with-8-mb-of-text-in-its-png.ico",
            iconSaying(withPngChunks(pngBytes(gradient(64, 64)), text.repeated(8))), { 64, 64 } },
        { "png-with-8-mb-of-text.jpg", withPngChunks(pngBytes(gradient(64, 64)), text.repeated(8)), { 64, 64 } },
        { "png-with-a-5-mb-trns.jpg",
            withPngChunks(pngBytes(gradient(64, 64)), pngChunk("tRNS", QByteArray(5 << 20, 'x'))), { 64, 64 } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        MadeUpFile file(row.bytes, 0, 0, {});
        EXPECT_EQ(decodePicture(file, file.size(), {}).image.size(), row.size);
        EXPECT_LE(file.taken, 256 << 10);
    }
}

TEST(PictureLoading, TheProcessEndsCleanlyWhileDecodesWaitForTheBudget)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const QByteArray large = headerOnlyGif(12000, 12000);
            for (int i = 0; i < 4; ++i)
                std::thread([large] {
                    QBuffer buffer;
                    buffer.setData(large);
                    buffer.open(QIODevice::ReadOnly);
                    decodePicture(buffer, large.size(), Cell);
                }).detach();
            QThread::msleep(300);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(PictureLoading, EmptyPathIsTheEmptyPictureAndFailuresSayWhy)
{
    QTemporaryDir temp;
    QDir dir(temp.path());
    EXPECT_TRUE(LoadPicture({}).isEmpty());
    EXPECT_THROW(LoadPicture(dir.filePath("missing.bmp")), PictureError);
    EXPECT_THROW(LoadPicture(temp.path()), PictureError) << "a folder is not a picture";
    EXPECT_EQ(LoadPicture(writeBytes(dir, "tiny.gif", tinyGif())).pixelHeight(), 1);
}

TEST(PictureLoading, PhotosBeyondQtsDefaultLimitStillLoad)
{
    // 8200 x 8200 decodes to 269 MB, past Qt's default 256 MB allocation limit.
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath("panorama.jpg");
    {
        QImage big(8200, 8200, QImage::Format_RGB32);
        big.fill(Qt::darkYellow);
        ASSERT_TRUE(big.save(path, "JPG", 30));
    }
    EXPECT_EQ(LoadPicture(path).pixelWidth(), 8200);
}

} // namespace
