#pragma once

// A test on the real windows: the seams replaced, a temporary folder, the main window shown;
// every window is unloaded afterwards.

#include "browser/frmBmpGet.h"
#include "help/frmHelp.h"
#include "support.h"
#include "viewer/frmPicture.h"

#include <QSemaphore>
#include <QThread>

namespace tl::test {

// Keeps every decoding thread of the loader busy until released, so that what is asked for meanwhile
// comes late.
class HeldDecoders {
public:
    explicit HeldDecoders(ThumbnailLoader& loader)
        : loader_(loader)
    {
    }
    void hold()
    {
        for (int t = 0; t < threads_; ++t)
            loader_.run([this](const std::atomic<bool>*) {
                return PictureRead([this](const std::atomic<bool>*) {
                    busy_.release();
                    free_.acquire();
                    return StdPicture();
                });
            });
        busy_.acquire(threads_);
    }
    void release() { free_.release(threads_); }

private:
    ThumbnailLoader& loader_;
    const int threads_ = QThread::idealThreadCount();
    QSemaphore busy_, free_;
};

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        dir = QDir(temp.path());
        viewMemory() = {}; // each test is a first run of the program
        form = &Window<frmBmpGet>().Show();
    }
    void TearDown() override
    {
        unload<frmHelp>();
        unload<frmPicture>();
        unload<frmBmpGet>();
    }

    Seams seams;
    QTemporaryDir temp;
    QDir dir;
    frmBmpGet* form = nullptr;
};

} // namespace tl::test
