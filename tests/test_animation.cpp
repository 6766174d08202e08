// Animated GIFs: the frames as they play (delays, loops, compositing, damage, the budget), and the
// player that shows them by a clock the test moves.

#include "picture_files.h"
#include "pictures/animation.h"
#include "platform/pools.h"
#include "support.h"
#include "viewer/animationplayer.h"
#include "viewer/frmPicture.h"

#include <QBuffer>
#include <QImageReader>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// Waits, handling events, until `condition` holds, or fails the test after a few seconds.
#define EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

namespace tl::test {

namespace {

    const QList<QRgb> Palette = { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255) };

    // A frame of one colour over the whole 4 x 4 screen.
    GifFrameSpec whole(int index, int delay, int disposal = 1)
    {
        return { QRect(0, 0, 4, 4), QByteArray(16, char(index)), delay, disposal };
    }

    // The 4 x 4 GIF of `frames` whole frames of the colours 0, 1, 2, ... with these delays.
    QByteArray colours(const QList<int>& delays, int loops = -1)
    {
        QList<GifFrameSpec> frames;
        for (int i = 0; i < delays.size(); ++i)
            frames.append(whole(i % 4, delays[i]));
        return animatedGif({ 4, 4 }, Palette, frames, loops);
    }

    int colourIndex(const QImage& image, QPoint at = { 0, 0 })
    {
        return image.isNull() ? -1 : int(Palette.indexOf(image.pixel(at) | 0xff000000));
    }

    // The colours of up to `most` frames, and their delays, until the frames end.
    std::pair<QList<int>, QList<int>> playOut(GifFrames& frames, int most, QPoint at = { 0, 0 })
    {
        QList<int> shown, delays;
        for (AnimationFrame frame = frames.next(); !frame.image.isNull() && shown.size() < most;
             frame = frames.next()) {
            shown.append(colourIndex(frame.image, at));
            delays.append(frame.delay);
        }
        return { shown, delays };
    }

} // namespace

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

namespace {

    // A clock the test moves by hand.
    class HandTicker : public Ticker {
    public:
        std::chrono::milliseconds now() const override { return now_; }
        void callIn(std::chrono::milliseconds delay, std::function<void()> due) override
        {
            dueAt_ = now_ + delay;
            due_ = std::move(due);
        }
        void cancel() override { due_ = {}; }

        bool waiting() const { return bool(due_); }
        // Moves the clock on; a call that falls due runs.
        void advance(std::chrono::milliseconds by)
        {
            now_ += by;
            if (due_ && now_ >= dueAt_)
                std::exchange(due_, {})();
        }
        // How long until the call waiting falls due.
        int left() const { return due_ ? int((dueAt_ - now_).count()) : -1; }

    private:
        std::chrono::milliseconds now_ { 1000 };
        std::chrono::milliseconds dueAt_ { 0 };
        std::function<void()> due_;
    };

    struct Player {
        Player()
        {
            auto hand = std::make_unique<HandTicker>();
            ticker = hand.get();
            window.show();
            player = std::make_unique<AnimationPlayer>(
                window, [this](const QImage& frame) { shown.append(colourIndex(frame)); }, std::move(hand));
        }
        QWidget window;
        HandTicker* ticker;
        QList<int> shown;
        std::unique_ptr<AnimationPlayer> player;
    };

} // namespace

// The player shows each frame once the one before has had its delay, decoding ahead off the window's
// thread; it stays on the last frame once the plays are over.
TEST(Animation, PlayerShowsEachFrameAfterTheDelayOfTheOneBefore)
{
    QTemporaryDir temp;
    const QString path = writeBytes(QDir(temp.path()), "a.gif", colours({ 5, 1, 3 }, 1));
    // A cell keeps the file's bytes; a picture opened in full keeps its path, and the file is read again.
    for (const StdPicture& picture : { loadCellPicture(path, { 2, 2 }), LoadPicture(path) }) {
        SCOPED_TRACE(picture.keptPath().toStdString());
        Player p;
        p.player->play(picture);
        QList<int> delays;
        for (int frame = 0; frame < 5; ++frame) {
            EVENTUALLY(p.ticker->waiting());
            delays.append(p.ticker->left());
            p.ticker->advance(std::chrono::milliseconds(p.ticker->left() - 1));
            EXPECT_EQ(p.shown.size(), frame) << "a frame shown before its time";
            p.ticker->advance(std::chrono::milliseconds(1));
            EVENTUALLY(p.shown.size() == frame + 1);
        }
        EXPECT_EQ(delays, QList<int>({ 50, 100, 30, 50, 100 }));
        EXPECT_EQ(p.shown, QList<int>({ 1, 2, 0, 1, 2 })); // the first frame was on show already
        EVENTUALLY(!p.player->isPlaying());
        EXPECT_FALSE(p.ticker->waiting());
    }
}

// Hidden or minimised, the frame on show keeps what is left of its delay until the window shows again.
TEST(Animation, PlayerPausesWhileTheWindowIsHiddenOrMinimised)
{
    const std::function<void(QWidget&)> hide = [](QWidget& w) { w.hide(); };
    const std::function<void(QWidget&)> show = [](QWidget& w) { w.show(); };
    const std::function<void(QWidget&)> minimise = [](QWidget& w) { w.setWindowState(Qt::WindowMinimized); };
    const std::function<void(QWidget&)> restore = [](QWidget& w) { w.setWindowState(Qt::WindowNoState); };
    QTemporaryDir temp;
    const QString path = writeBytes(QDir(temp.path()), "a.gif", colours({ 5, 5, 5 }, 0));
    for (const auto& [away, back] : { std::pair(hide, show), std::pair(minimise, restore) }) {
        Player p;
        p.player->play(loadCellPicture(path, { 2, 2 }));
        EVENTUALLY(p.ticker->waiting());
        p.ticker->advance(std::chrono::milliseconds(30));
        away(p.window);
        EXPECT_TRUE(p.player->isPaused());
        EXPECT_FALSE(p.ticker->waiting());
        p.ticker->advance(std::chrono::milliseconds(1000));
        back(p.window);
        EXPECT_FALSE(p.player->isPaused());
        EXPECT_EQ(p.ticker->left(), 20);
        EXPECT_TRUE(p.shown.isEmpty());
        p.ticker->advance(std::chrono::milliseconds(20));
        EVENTUALLY(p.shown == QList<int>({ 1 }));
    }
}

// Another picture, or none, stops the animation, whether it was still opening or had a frame being
// decoded: what they give later is never shown.
TEST(Animation, WhatAStoppedAnimationDecodesLaterIsDropped)
{
    QTemporaryDir temp;
    const QDir dir(temp.path());
    const StdPicture first = loadCellPicture(writeBytes(dir, "a.gif", colours({ 5, 5, 5 }, 0)), { 2, 2 });
    const StdPicture white = loadCellPicture(
        writeBytes(dir, "b.gif", animatedGif({ 4, 4 }, Palette, { whole(3, 5), whole(3, 5) }, 0)), { 2, 2 });
    const StdPicture still = loadCellPicture(writePicture(dir, "c.bmp", 4, 4), { 2, 2 });
    for (const bool opened : { false, true })
        for (const StdPicture& next : { StdPicture(), still, white }) {
            Player p;
            p.player->play(first);
            if (opened) {
                EVENTUALLY(p.ticker->waiting());
                p.ticker->advance(std::chrono::milliseconds(50)); // the next frame is due, decoded or not
                p.shown.clear();
            }
            p.player->play(next);
            ASSERT_TRUE(cpuPool().waitForDone(5000));
            QCoreApplication::processEvents();
            for (int i = 0; i < 3; ++i) {
                p.ticker->advance(std::chrono::milliseconds(50));
                QCoreApplication::processEvents();
                ASSERT_TRUE(cpuPool().waitForDone(5000));
                QCoreApplication::processEvents();
            }
            const bool plays = next.sameObject(white);
            EXPECT_EQ(p.shown, QList<int>(plays ? std::max<qsizetype>(p.shown.size(), 1) : 0, 3));
            EXPECT_EQ(p.player->isPlaying(), plays);
        }
}

// In the picture window the frames follow one another at the view the user chose.
TEST(Animation, PictureWindowPlaysAtTheZoomChosen)
{
    QTemporaryDir temp;
    const QList<GifFrameSpec> frames
        = { { QRect(0, 0, 800, 800), QByteArray(640000, 0), 2 }, { QRect(0, 0, 800, 800), QByteArray(640000, 1), 2 } };
    const QString path = writeBytes(QDir(temp.path()), "big.gif", animatedGif({ 800, 800 }, Palette, frames, 0));
    frmPicture& window = Window<frmPicture>().Show();
    const StdPicture cell = loadCellPicture(path, { 8, 8 });
    window.showPicture(cell, cell.fullImage());
    EXPECT_EQ(colourIndex(window.Image1.shownImage()), 0);
    window.fitToWindow();
    const double fitted = window.Image1.Zoom();
    ASSERT_LT(fitted, 1);
    EVENTUALLY(colourIndex(window.Image1.shownImage()) == 1);
    EXPECT_EQ(window.Image1.Zoom(), fitted);
    EXPECT_TRUE(window.isFitting());
    unload<frmPicture>();
}

} // namespace tl::test
