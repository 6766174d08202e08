// The player that shows an animation's frames in a window, by a clock the test moves.

#include "animation_files.h"
#include "platform/pools.h"
#include "support.h"
#include "viewer/animationplayer.h"
#include "viewer/frmPicture.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// Waits, handling events, until `condition` holds, or fails the test after a few seconds.
#define EVENTUALLY(condition) ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, 5000)) << #condition

namespace tl::test {

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
    const QDir dir(temp.path());
    const QString gif = writeBytes(dir, "a.gif", colours({ 5, 1, 3 }, 1));
    const QString webp = writeBytes(dir, "webp.gif", webpColours({ 50, 10, 30 }, 2));
    // A cell keeps the file's bytes; a picture opened in full keeps its path, and the file is read again.
    for (const QString& path : { gif, webp })
        for (const StdPicture& picture : { loadCellPicture(path, { 2, 2 }), LoadPicture(path) }) {
            SCOPED_TRACE(path.toStdString() + (picture.keptPath().isEmpty() ? " from its bytes" : " from its path"));
            const qint64 before = budgetInUse();
            Player p;
            p.player->play(picture);
            QList<int> delays;
            for (int frame = 0; frame < 5; ++frame) {
                EVENTUALLY(p.ticker->waiting());
                if (frame == 0) { // what it keeps between frames is held in the budget
                    ASSERT_TRUE(cpuPool().waitForDone(5000));
                    EXPECT_EQ(budgetInUse() - before, animationFrames(readAll(path))->stepCost());
                }
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
    const QString gif = writeBytes(QDir(temp.path()), "a.gif", colours({ 5, 5, 5 }, 0));
    const QString webp = writeBytes(QDir(temp.path()), "webp.jpg", webpColours({ 50, 50, 50 }, 0));
    for (const QString& path : { gif, webp })
        for (const auto& [away, back] : { std::pair(hide, show), std::pair(minimise, restore) }) {
            SCOPED_TRACE(path.toStdString());
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
