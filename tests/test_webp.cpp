// WebP pictures decoded at the size they are shown: a cell or a view, within the budget that size
// takes; either knows the picture's full size, turned as its EXIF block says.

#include "pictures/decodebudget.h"
#include "pictures/decoding.h"
#include "pictures/pictureread.h"
#include "webp_files.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tl::test {

TEST(Webp, AViewDecodesAtTheSizeItShows)
{
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QByteArray lossy = webpFile(picture), lossless = webpFile(picture, true);
    const QByteArray turned = webpWithChunk(lossy, "EXIF", exifBlock(6));
    struct Row {
        const char* name;
        QByteArray bytes;
        QSize shown, made, natural;
    } rows[] = {
        { "lossy-a-quarter.jpg", lossy, { 100, 75 }, { 100, 75 }, { 400, 300 } },
        { "lossless-a-quarter.gif", lossless, { 100, 75 }, { 100, 75 }, { 400, 300 } },
        { "another-shape.jpg", lossy, { 200, 100 }, { 200, 150 }, { 400, 300 } },
        { "larger-than-itself.jpg", lossy, { 800, 600 }, { 400, 300 }, { 400, 300 } },
        { "turned-a-quarter.bmp", turned, { 75, 100 }, { 75, 100 }, { 300, 400 } },
    };
    QTemporaryDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile file(dir.filePath(row.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(row.bytes) == row.bytes.size());
        file.close();
        const StdPicture viewed = readPictureForView(file.fileName(), row.shown).finish(nullptr);
        EXPECT_EQ(viewed.image().size(), row.made);
        EXPECT_EQ(QSize(viewed.pixelWidth(), viewed.pixelHeight()), row.natural);
        EXPECT_EQ(viewed.fullImage().size(), row.natural);
        const StdPicture cell = loadCellPicture(file.fileName(), QSize(105, 81));
        EXPECT_EQ(QSize(cell.pixelWidth(), cell.pixelHeight()), row.natural);
    }
}

// A lossy cell is decoded at its scale and needs room for that alone; a lossless one is decoded whole
// inside libwebp, whatever the scale, and needs room for all of it.
TEST(Webp, ACellNeedsRoomForWhatItsDecodeHolds)
{
    QImage picture(2000, 1500, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x / 8 % 256, y / 6 % 256, 90));
    const struct {
        const char* name;
        QByteArray bytes;
        bool made;
    } rows[] = { { "lossy", webpFile(picture, false, 50), true }, { "lossless", webpFile(picture, true), false } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QBuffer buffer;
        buffer.setData(row.bytes);
        buffer.open(QIODevice::ReadOnly);
        const BudgetHold elsewhere(DecodeBudget - budgetInUse() - (qint64(8) << 20));
        const OnlyIfRoom room;
        EXPECT_EQ(!decodePicture(buffer, row.bytes.size(), QSize(105, 81)).image.isNull(), row.made);
    }
}

} // namespace tl::test
