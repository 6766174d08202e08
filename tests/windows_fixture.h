#pragma once

// A test on the real windows: the seams replaced, a temporary folder, the main window shown;
// every window is unloaded afterwards.

#include "browser/frmBmpGet.h"
#include "help/frmHelp.h"
#include "support.h"
#include "viewer/frmPicture.h"

namespace tl::test {

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
