// Pages, the preview and the picture window on a disk whose reads or lookups hang: a file that hangs
// holds up its own cell only, and no handler waits for it longer than a page's wait.

#include "browser/frmBmpGet.h"
#include "help/frmHelp.h"
#include "slow_disk.h"
#include "support.h"
#include "viewer/frmPicture.h"

#include <QFile>
#include <QSemaphore>
#include <QTest>
#include <thread>

using namespace tl;
using Disk = tl::test::SlowDisk;

namespace {

// The main window shown over a temporary folder, and every window unloaded at the end.
struct Windows {
    Windows() { form = &Window<frmBmpGet>().Show(); }
    ~Windows()
    {
        tl::test::unload<frmHelp>();
        tl::test::unload<frmPicture>();
        tl::test::unload<frmBmpGet>();
    }
    // Ordinary pictures p1.bmp .. p6.bmp, picture i being i pixels wide, and `hanging` files whose
    // names start with "hang-", which come first in the list.
    void writeFolder(const QDir& folder, int hanging)
    {
        for (int h = 0; h < hanging; ++h)
            tl::test::writePicture(folder, QStringLiteral("hang-%1.bmp").arg(QChar('a' + h)), 50, 2);
        for (int i = 1; i <= 6; ++i)
            tl::test::writePicture(folder, QStringLiteral("p%1.bmp").arg(i), i, 2);
        ASSERT_TRUE(form->Dir1.openFolder(folder.path()));
    }
    int width(int cell) const { return form->Image2[cell].Picture().pixelWidth(); }

    tl::test::Seams seams;
    QTemporaryDir temp;
    QDir dir { temp.path() };
    frmBmpGet* form = nullptr;
};

// Two reads that hang take no decoding thread: the other cells, the preview and a click still get
// their pictures.
TEST(SlowDisk, HangingReadsHoldUpOnlyTheirOwnCells)
{
    SKIP_WITHOUT_SLOW_DISK();
    Windows w;
    frmBmpGet* form = w.form;
    const QDir& dir = w.dir;
    w.writeFolder(dir, 2);
    const QString release = dir.filePath("go-on");
    {
        Disk disk { { "SLOWFS_UNDER", dir.path() }, { "SLOWFS_HANG", "hang-" }, { "SLOWFS_RELEASE", release } };
        form->mnuCget->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (int k = 2; k < 8; ++k)
                    if (w.width(k) != k - 1)
                        return false;
                return true;
            },
            10000));
        EXPECT_EQ(w.width(0), 0);

        form->File1.setListIndex(4); // p3.bmp
        EXPECT_TRUE(QTest::qWaitFor([&] { return form->Image1[0].Picture().pixelWidth() == 3; }, 10000));
        form->Image2_Click(5); // p4.bmp
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return Window<frmPicture>().Instance()->Image1.Picture().pixelWidth() == 4; }, 10000));
        EXPECT_EQ(w.width(1), 0) << "still hanging";

        tl::test::writeBytes(QDir(dir), "go-on", {});
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.width(0) == 50 && w.width(1) == 50; }, 10000)) << "filled once read";
    }
}

// A page whose lookups or reads hang ends after one wait for the whole page, while the disk still
// hangs, with its usual status.
TEST(SlowDisk, APageLoadEndsWhileItsFilesStillHang)
{
    SKIP_WITHOUT_SLOW_DISK();
    Windows w;
    frmBmpGet* form = w.form;
    struct Row {
        const char* what;
        const char* setting;
        int hanging;
    };
    const Row rows[] = {
        { "two lookups hang", "SLOWFS_HANG_LOOKUP", 2 },
        { "eight reads hang", "SLOWFS_HANG", 8 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir temp;
        const QDir folder(temp.path());
        w.writeFolder(folder, row.hanging);
        const QString release = folder.filePath("go-on");
        Disk disk { { "SLOWFS_UNDER", folder.path() }, { row.setting, "hang-" }, { "SLOWFS_RELEASE", release } };
        // The disk comes back four page waits later at most, or as soon as the load has ended.
        QSemaphore ended;
        std::atomic<bool> backFirst = false;
        std::thread comesBack([&] {
            backFirst = !ended.tryAcquire(1, 4 * int(PictureWait.count()));
            tl::test::writeBytes(folder, "go-on", {});
        });
        form->mnuCget->trigger();
        ended.release();
        comesBack.join();
        EXPECT_FALSE(backFirst.load()) << "the load waited for the disk";
        EXPECT_EQ(form->SB.SimpleText(), tl::test::AllShown);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.width(row.hanging - 1) == 50; }, 10000)) << "filled once read";
    }
}

// The bytes this process has read so far, from whatever it read.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// A newer 開く gives up the read of the file before, which stops reading once the disk answers.
TEST(SlowDisk, ANewerOpenGivesUpTheReadBefore)
{
    SKIP_WITHOUT_SLOW_DISK();
    Windows w;
    frmBmpGet* form = w.form;
    const QDir& dir = w.dir;
    constexpr int Side = 2048; // 16 MB of pixels, read a megabyte at a time
    tl::test::writePicture(dir, "hang-large.bmp", Side, Side);
    tl::test::writePicture(dir, "small.bmp", 30, 20);
    const QString release = dir.filePath("go-on");
    Disk disk { { "SLOWFS_UNDER", dir.path() }, { "SLOWFS_HANG", "hang-" }, { "SLOWFS_RELEASE", release } };
    form->Text1.setText(dir.path() + QLatin1Char('/'));
    form->Text2.setText(QStringLiteral("hang-large.bmp"));
    form->Command1_Click();
    form->Text2.setText(QStringLiteral("small.bmp"));
    form->Command1_Click();
    const qint64 before = bytesRead();
    tl::test::writeBytes(dir, "go-on", {});
    form->thumbnails.waitForAll();
    EXPECT_LT(bytesRead() - before, qint64(Side) * Side * 4 / 2) << "the large file was read to its end";
    EXPECT_EQ(Window<frmPicture>().Instance()->Image1.Picture().pixelWidth(), 30);
}

} // namespace
