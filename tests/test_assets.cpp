#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QSize>
#include <QString>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A pixel to look at; an expected alpha of 0 means "transparent", whatever the colour bits hold.
struct Probe {
    int x;
    int y;
    QRgb expected;
};

constexpr QRgb Transparent = 0;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Yellow = 0xFFFFFF00;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Grey = 0xFF808080;
constexpr QRgb FrameEdge = 0xFF522E14;

struct Picture {
    const char* path;
    int image; // index inside a multi-image file
    QByteArray format;
    QSize size;
    std::vector<Probe> probes;
    bool photo; // a drawn picture, which must have many colours
};

std::vector<Picture> pictures()
{
    return {
        // Qt ignores the mask of a 24-bit icon, so the frame must reach the corners itself.
        { ":/assets/app.ico", 0, "ico", { 32, 32 }, { { 0, 0, FrameEdge }, { 31, 31, FrameEdge } }, false },
        { ":/assets/picture.ico", 0, "ico", { 32, 32 },
            { { 0, 0, Transparent }, { 16, 16, Yellow }, { 0, 16, Black }, { 31, 15, Black }, { 16, 0, Black } },
            false },
        { ":/assets/picture.ico", 1, "ico", { 16, 16 }, { { 0, 0, Transparent }, { 8, 8, Yellow }, { 0, 8, Black } },
            false },
        { ":/assets/help.ico", 0, "ico", { 32, 32 },
            { { 0, 0, Transparent }, { 1, 16, Grey }, { 5, 8, White }, { 6, 9, Black } }, false },
        { ":/assets/help.ico", 1, "ico", { 16, 16 },
            { { 0, 0, Transparent }, { 0, 8, Grey }, { 2, 5, White }, { 4, 6, Black } }, false },
        { ":/assets/blank.gif", 0, "gif", { 1, 1 }, { { 0, 0, Transparent } }, false },
        { ":/assets/preview0.jpg", 0, "jpeg", { 80, 100 }, {}, true },
        { ":/assets/preview1.bmp", 0, "bmp", { 352, 240 }, {}, true },
        { ":/assets/preview2.bmp", 0, "bmp", { 110, 161 }, {}, true },
        { ":/assets/preview3.bmp", 0, "bmp", { 352, 240 }, {}, true },
        { ":/assets/preview4.bmp", 0, "bmp", { 320, 239 }, {}, true },
        { ":/assets/preview5.bmp", 0, "bmp", { 146, 87 }, {}, true },
    };
}

int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

} // namespace

TEST(Assets, EveryPictureLoadsWithItsFormatSizeAndTransparency)
{
    std::vector<QImage> previews;
    for (const Picture& p : pictures()) {
        SCOPED_TRACE(QStringLiteral("%1 image %2").arg(QString::fromLatin1(p.path)).arg(p.image).toStdString());
        QImageReader reader(QString::fromLatin1(p.path));
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format(), p.format);
        if (p.format == "ico") {
            EXPECT_EQ(reader.imageCount(), p.path == QByteArrayView(":/assets/app.ico") ? 1 : 2);
        }
        if (p.image > 0) {
            ASSERT_TRUE(reader.jumpToImage(p.image));
        }
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), p.size);
        for (const Probe& probe : p.probes) {
            const QRgb got = image.pixel(probe.x, probe.y);
            if (qAlpha(probe.expected) == 0) {
                EXPECT_EQ(qAlpha(got), 0) << "at " << probe.x << "," << probe.y;
            } else {
                EXPECT_EQ(got, probe.expected) << "at " << probe.x << "," << probe.y << ": " << std::hex << got;
            }
        }
        if (p.photo) {
            EXPECT_FALSE(image.hasAlphaChannel());
            EXPECT_GT(colourCount(image), 200);
            for (const QImage& other : previews)
                EXPECT_TRUE(image != other) << "the same picture twice";
            previews.push_back(image);
        }
    }
}

TEST(Assets, FilesHaveTheirExactByteSizes)
{
    struct Row {
        const char* path;
        qint64 bytes;
    };
    for (const Row& r : { Row { ":/assets/app.ico", 3262 }, Row { ":/assets/preview1.bmp", 253494 },
             Row { ":/assets/preview2.bmp", 53506 }, Row { ":/assets/preview3.bmp", 253494 },
             Row { ":/assets/preview4.bmp", 229494 }, Row { ":/assets/preview5.bmp", 38334 } })
        EXPECT_EQ(QFile(QString::fromLatin1(r.path)).size(), r.bytes) << r.path;
}

TEST(Assets, JpegPreviewIsSmallStrippedJfif)
{
    QFile file(QStringLiteral(":/assets/preview0.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_LT(bytes.size(), 8 * 1024);
    EXPECT_TRUE(bytes.startsWith(QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11)));
    EXPECT_FALSE(bytes.contains(QByteArray("Exif\x00", 5)));
}
