// Animated GIFs and WebPs: the frames as they play (delays, loops, compositing, damage, the budget).

#include "animation_files.h"

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>

namespace tl::test {

TEST(Animation, FramesPlayInOrderWithTheirDelaysAndLoops)
{
    const QByteArray three = colours({ 5, 1, 0 });
    QByteArray cut = three;
    cut.chop(10); // the third frame's data ends early: the animation stops at the second
    QByteArray damaged = colours({ 5, 5, 5 });
    damaged[damaged.size() - 1] = 'x'; // no trailer: all three frames still play
    // Frames longer than the window a device is walked through, the last one cut short.
    QByteArray noise(300 * 300, '\0');
    for (qsizetype i = 1; i < noise.size(); ++i)
        noise[i] = char(i * 7919 % 65521 % 4);
    const QRect screen(0, 0, 300, 300);
    const QByteArray longFrames
        = animatedGif(screen.size(), Palette, { { screen, noise, 5 }, { screen, noise, 5 } }, 0);
    struct Row {
        const char* name;
        QByteArray gif;
        QList<int> colours, delays;
        int plays;
        bool cut = false;
    } rows[] = {
        { "no loop extension plays once", three, { 0, 1, 2 }, { 50, 100, 100 }, 1 },
        { "loop count 0 plays for ever", colours({ 2, 3 }, 0), { 0, 1, 0, 1, 0, 1, 0 }, { 20, 30, 20, 30, 20, 30, 20 },
            0 },
        { "loop count 2 plays twice more", colours({ 2, 3 }, 2), { 0, 1, 0, 1, 0, 1 }, { 20, 30, 20, 30, 20, 30 }, 3 },
        { "a frame cut short ends it", cut, { 0, 1 }, { 50, 100 }, 1, true },
        { "a file without its trailer", damaged, { 0, 1, 2 }, { 50, 50, 50 }, 1 },
        { "a still GIF does not play", colours({ 5 }, 0), {}, {}, 0 },
        { "long frames, the last cut", longFrames.chopped(1000), {}, {}, 0, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GifFrames frames(row.gif);
        EXPECT_EQ(frames.playing().plays, row.plays);
        EXPECT_EQ(frames.playing().cut, row.cut);
        // Walked on a device, the file says the same.
        QBuffer device;
        device.setData(row.gif);
        device.open(QIODevice::ReadOnly);
        const GifPlaying walked = gifPlaying(device, row.gif.size());
        EXPECT_EQ(std::tuple(walked.frames, walked.plays, walked.cut),
            std::tuple(frames.playing().frames, row.plays, row.cut));
        const auto [shown, delays] = playOut(frames, 7);
        EXPECT_EQ(shown, row.colours);
        EXPECT_EQ(delays, row.delays);
    }
}

TEST(Animation, WebpFramesPlayWithTheirDelaysAndLoops)
{
    QImage still(4, 4, QImage::Format_RGB32);
    still.fill(Qt::red);
    struct Row {
        const char* name;
        QByteArray webp;
        QList<int> colours, delays;
        int plays;
    } rows[] = {
        { "loop count 1 plays once", webpColours({ 50, 10, 30 }, 1), { 0, 1, 2 }, { 50, 100, 30 }, 1 },
        { "loop count 0 plays for ever", webpColours({ 20, 30 }, 0), { 0, 1, 0, 1, 0, 1, 0 },
            { 20, 30, 20, 30, 20, 30, 20 }, 0 },
        { "loop count 3 plays three times", webpColours({ 20, 30 }, 3), { 0, 1, 0, 1, 0, 1 },
            { 20, 30, 20, 30, 20, 30 }, 3 },
        { "a still WebP does not play", webpFile(still, true), {}, {}, 1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<AnimationFrames> frames = animationFrames(row.webp);
        ASSERT_NE(frames, nullptr);
        EXPECT_EQ(frames->playing().plays, row.plays);
        const auto [shown, delays] = playOut(*frames, 7);
        EXPECT_EQ(shown, row.colours);
        EXPECT_EQ(delays, row.delays);
    }
    // Each frame is turned as the file's EXIF block says, as the first is when the picture is shown still.
    QImage wide(4, 2, QImage::Format_RGB32), green(4, 2, QImage::Format_RGB32);
    wide.fill(Qt::red);
    green.fill(Qt::green);
    const auto turned
        = animationFrames(webpWithChunk(webpAnimation({ wide, green }, { 50, 50 }, 0), "EXIF", exifBlock(6)));
    for (int frame = 0; frame < 2; ++frame)
        EXPECT_EQ(turned->next().image.size(), QSize(2, 4));
}

// Each frame is drawn over the ones before it: a transparent pixel shows what is under it, and the
// disposal of a frame decides what the next one is drawn on.
TEST(Animation, FramesAreCompositedOverTheOnesBefore)
{
    // A 2 x 2 frame at 1, 1 whose first pixel is transparent (index 3), then a 1 x 1 frame at 3, 3.
    const GifFrameSpec patch { QRect(1, 1, 2, 2), QByteArray("\x03\x02\x02\x02", 4), 5, 1, 3 };
    const GifFrameSpec corner { QRect(3, 3, 1, 1), QByteArray(1, char(1)), 5, 1 };
    struct Row {
        int patchDisposal;
        QList<int> atPatch; // frames' colour at 2, 1 (inside the patch)
        QList<int> underTransparent; // at 1, 1
    } rows[] = {
        { 1, { 0, 2, 2 }, { 0, 0, 0 } }, { 3, { 0, 2, 0 }, { 0, 0, 0 } }, // restored to what was under the patch
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.patchDisposal);
        GifFrameSpec disposed = patch;
        disposed.disposal = row.patchDisposal;
        const QByteArray gif = animatedGif({ 4, 4 }, Palette, { whole(0, 5), disposed, corner });
        GifFrames atPatch(gif), underTransparent(gif);
        EXPECT_EQ(playOut(atPatch, 3, { 2, 1 }).first, row.atPatch);
        EXPECT_EQ(playOut(underTransparent, 3, { 1, 1 }).first, row.underTransparent);
    }
}

// A canvas the reader could allocate, whose steps would still pass the decode budget, gives no frame.
TEST(Animation, AStepPastTheBudgetEndsTheAnimation)
{
    QImageReader::setAllocationLimit(PictureAllocationLimitMB); // as the program's decodes set it
    GifFrames refused(animatedGif({ 11000, 11000 }, Palette, { whole(0, 5), whole(1, 5) }));
    EXPECT_GT(refused.stepCost(), qint64(PictureAllocationLimitMB) << 20);
    EXPECT_TRUE(refused.next().image.isNull());
}

} // namespace tl::test
