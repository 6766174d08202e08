#include "app/startup.h"
#include "browser/frmBmpGet.h"
#include "forms/messages.h"
#include "help/frmHelp.h"
#include "slow_disk.h"
#include "support.h"
#include "viewer/frmPicture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTranslator>
#include <thread>

using namespace tl;

namespace {

const QString StillReading = QStringLiteral("読み込み中");

// The lists on a share at 50 ms a lookup, or one whose lookups hang: the window never waits for them
// long. Each test says how long its handler took; none asserts it.
class SlowDisk : public testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_SLOW_DISK();
        dir = QDir(temp.path());
        for (const char* name : { "driveA", "driveB" })
            dir.mkpath(QLatin1String(name) + QStringLiteral("/sub"));
        driveA = dir.filePath("driveA");
        seams.drives->roots << driveA << dir.filePath("driveB");
    }
    void TearDown() override
    {
        test::unload<frmHelp>();
        test::unload<frmPicture>();
        test::unload<frmBmpGet>();
        QApplication::setFont(font_);
        QApplication::setApplicationName(name_);
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
        QDir::setCurrent(home_);
    }

    // A folder of `count` picture names (not pictures: only the lists read them) and a subfolder.
    QStringList fill(const QString& name, int count)
    {
        QDir folder(dir.filePath(name));
        folder.mkpath("sub");
        QStringList names;
        for (int i = 1; i <= count; ++i)
            names << test::writeBytes(folder, QStringLiteral("img%1.bmp").arg(i), "x").section(u'/', -1);
        return names;
    }
    static QStringList entries(const FileList& list)
    {
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i)
            names << list.List(i);
        return names;
    }
    static void took(const char* what, const QElapsedTimer& timer)
    {
        std::printf("    %s took %lld ms\n", what, static_cast<long long>(timer.elapsed()));
    }

    test::Seams seams;
    QTemporaryDir temp;
    QDir dir;
    QString driveA;

private:
    QFont font_ = QApplication::font();
    QString name_ = QApplication::applicationName();
    QString home_ = QDir::currentPath();
};

TEST_F(SlowDisk, AFolderOfManyFilesOpensWhileItIsReadAndTheLoadWaitsForIt)
{
    frmBmpGet& form = Window<frmBmpGet>().Show();
    form.Drive1.setDrive(driveA);
    const QStringList names = fill("album", 40);
    const QString album = dir.filePath("album");
    const test::SlowDisk disk { { "SLOWFS_UNDER", album }, { "SLOWFS_DELAY_MS", "50" } };

    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(form.Dir1.openFolder(album));
    took("opening the folder", timer);
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();
    EXPECT_EQ(form.Text1.Text(), driveA + "/") << "the lists stay where they were until it is read";
    timer.restart();
    form.mnuCget->trigger();
    took("画像読み込み", timer);
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();

    // The load runs once the lists are read, on the folder opened.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.List1.ListCount() > 0; }, 30000));
    EXPECT_EQ(form.Text1.Text(), album + "/");
    QStringList paths, listed;
    for (const QString& name : names)
        paths << album + "/" + name;
    for (int i = 0; i < form.List1.ListCount(); ++i)
        listed << form.List1.List(i);
    EXPECT_EQ(listed, paths);
    EXPECT_EQ(form.SB.SimpleText(), test::MoreToScroll);
}

TEST_F(SlowDisk, AFolderOpenedWhileADriveIsReadWins)
{
    frmBmpGet& form = Window<frmBmpGet>().Show();
    form.Drive1.setDrive(driveA);
    const QString driveB = dir.filePath("driveB");
    fill("driveB", 40);
    const test::SlowDisk disk { { "SLOWFS_UNDER", driveB }, { "SLOWFS_DELAY_MS", "50" } };
    form.Drive1.setDrive(driveB);
    ASSERT_TRUE(form.SB.SimpleText().contains(StillReading));

    EXPECT_TRUE(form.Dir1.openFolder(driveA + "/sub"));
    EXPECT_EQ(form.Text1.Text(), driveA + "/sub/");
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
    // The drive's reading, given up, neither moves the lists nor fails.
    EXPECT_FALSE(
        QTest::qWaitFor([&] { return form.Dir1.Path() != driveA + "/sub" || !seams.messages.isEmpty(); }, 4000));
    EXPECT_EQ(form.Text1.Text(), driveA + "/sub/");
}

TEST_F(SlowDisk, ADriveWhoseLookupsHangLeavesTheWindowAnsweringAndTheListsAsTheyWere)
{
    frmBmpGet& form = Window<frmBmpGet>().Show();
    form.Drive1.setDrive(driveA);
    const QString stuck = dir.filePath("stuck");
    dir.mkpath("stuck");
    seams.drives->roots << stuck;
    seams.drives->status[stuck] = DriveStatus::NoMedium;
    const QString release = dir.filePath("release");
    const test::SlowDisk disk { { "SLOWFS_UNDER", dir.path() }, { "SLOWFS_HANG_LOOKUP", "stuck" },
        { "SLOWFS_RELEASE", release } };
    // Lets the lookup go in the end, also where the window's own thread is stuck in it.
    struct Releaser {
        QString file;
        std::thread thread { [this] {
            std::this_thread::sleep_for(std::chrono::seconds(4));
            test::writeBytes(QDir(QFileInfo(file).path()), QFileInfo(file).fileName(), {});
        } };
        ~Releaser() { thread.join(); }
    } releaser { release };

    const QStringList before = { form.Dir1.Path(), form.File1.Path(), form.Text1.Text() };
    QElapsedTimer timer;
    timer.start();
    form.Drive1.setDrive(stuck);
    took("choosing the drive", timer);
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();
    EXPECT_TRUE(seams.messages.isEmpty());
    // The file list reads on meanwhile: F5 shows a new file.
    test::writeBytes(QDir(driveA), "new.bmp", "x");
    QTest::keyClick(form.File1.widget(), Qt::Key_F5);
    EXPECT_EQ(entries(form.File1), QStringList { "new.bmp" });

    // Once the lookup ends the drive's failure is told as it would have been at once.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !seams.messages.isEmpty(); }, 30000));
    EXPECT_EQ(seams.messages, QStringList { messages::SetDisk });
    EXPECT_EQ((QStringList { form.Dir1.Path(), form.File1.Path(), form.Text1.Text() }), before);
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
}

TEST_F(SlowDisk, TheWindowAppearsWhileTheCurrentFolderAndTheFolderNamedAreRead)
{
    fill("here", 30);
    const QStringList names = fill("there", 40);
    ASSERT_TRUE(QDir::setCurrent(dir.filePath("here")));
    const test::SlowDisk disk { { "SLOWFS_UNDER", dir.path() }, { "SLOWFS_DELAY_MS", "50" } };

    QElapsedTimer timer;
    timer.start();
    startProgram({ "tessaline", dir.filePath("there") });
    took("start-up", timer);
    frmBmpGet& form = *Window<frmBmpGet>().Instance();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();

    // The file list never shows the names of the folder it leaves under the folder text of the next.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Text1.Text() == dir.filePath("there") + "/"; }, 30000));
    EXPECT_TRUE(form.File1.ListCount() == 0 || entries(form.File1) == names);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries(form.File1) == names; }, 30000));
    EXPECT_EQ(form.Dir1.Path(), dir.filePath("there"));
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
}

} // namespace
