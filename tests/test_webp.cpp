// WebP pictures read for a view: made at the size the view shows them, knowing their full size.

#include "pictures/pictureread.h"
#include "webp_files.h"

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
    }
}

} // namespace tl::test
