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

// Drives and folders of a test, and what start-up changes for the whole process put back at its end.
struct Setting {
    Setting()
    {
        dir = QDir(temp.path());
        for (const char* name : { "driveA", "driveB" })
            dir.mkpath(QLatin1String(name) + QStringLiteral("/sub"));
        driveA = dir.filePath("driveA");
        seams.drives->roots << driveA << dir.filePath("driveB");
    }
    ~Setting()
    {
        test::unload<frmHelp>();
        test::unload<frmPicture>();
        test::unload<frmBmpGet>();
        QApplication::setFont(font_);
        QApplication::setApplicationName(name_);
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
        QDir::setCurrent(home_);
    }

    // The main window, shown on drive A.
    frmBmpGet& windowOnDriveA()
    {
        frmBmpGet& form = Window<frmBmpGet>().Show();
        form.Drive1.setDrive(driveA);
        return form;
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

    test::Seams seams;
    QTemporaryDir temp;
    QDir dir;
    QString driveA;

private:
    QFont font_ = QApplication::font();
    QString name_ = QApplication::applicationName();
    QString home_ = QDir::currentPath();
};

QStringList entries(const FileList& list)
{
    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i)
        names << list.List(i);
    return names;
}

void took(const char* what, const QElapsedTimer& timer)
{
    std::printf("    %s took %lld ms\n", what, static_cast<long long>(timer.elapsed()));
}

TEST(SlowDisk, AFolderOfManyFilesOpensWhileItIsReadAndTheLoadWaitsForIt)
{
    SKIP_WITHOUT_SLOW_DISK();
    Setting at;
    frmBmpGet& form = at.windowOnDriveA();
    const QStringList names = at.fill("album", 40);
    const QString album = at.dir.filePath("album");
    const test::SlowDisk disk { { "SLOWFS_UNDER", album }, { "SLOWFS_DELAY_MS", "50" } };

    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(form.Dir1.openFolder(album));
    took("opening the folder", timer);
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();
    EXPECT_EQ(form.Text1.Text(), at.driveA + "/") << "the lists stay where they were until it is read";
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

TEST(SlowDisk, AFolderOpenedWhileADriveIsReadWins)
{
    SKIP_WITHOUT_SLOW_DISK();
    Setting at;
    frmBmpGet& form = at.windowOnDriveA();
    const QString driveB = at.dir.filePath("driveB");
    at.fill("driveB", 40);
    const test::SlowDisk disk { { "SLOWFS_UNDER", driveB }, { "SLOWFS_DELAY_MS", "50" } };
    form.Drive1.setDrive(driveB);
    ASSERT_TRUE(form.SB.SimpleText().contains(StillReading));

    EXPECT_TRUE(form.Dir1.openFolder(at.driveA + "/sub"));
    EXPECT_EQ(form.Text1.Text(), at.driveA + "/sub/");
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
    // The drive's reading, given up, neither moves the lists nor fails.
    EXPECT_FALSE(
        QTest::qWaitFor([&] { return form.Dir1.Path() != at.driveA + "/sub" || !at.seams.messages.isEmpty(); }, 4000));
    EXPECT_EQ(form.Text1.Text(), at.driveA + "/sub/");
}

TEST(SlowDisk, ADriveWhoseLookupsHangLeavesTheWindowAnsweringAndTheListsAsTheyWere)
{
    SKIP_WITHOUT_SLOW_DISK();
    Setting at;
    frmBmpGet& form = at.windowOnDriveA();
    const QString stuck = at.dir.filePath("stuck");
    at.dir.mkpath("stuck");
    at.seams.drives->roots << stuck;
    at.seams.drives->status[stuck] = DriveStatus::NoMedium;
    const QString release = at.dir.filePath("release");
    const test::SlowDisk disk { { "SLOWFS_UNDER", at.dir.path() }, { "SLOWFS_HANG_LOOKUP", "stuck" },
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
    EXPECT_TRUE(at.seams.messages.isEmpty());
    // The file list reads on meanwhile: F5 shows a new file.
    test::writeBytes(QDir(at.driveA), "new.bmp", "x");
    QTest::keyClick(form.File1.widget(), Qt::Key_F5);
    EXPECT_EQ(entries(form.File1), QStringList { "new.bmp" });

    // Once the lookup ends the drive's failure is told as it would have been at once.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !at.seams.messages.isEmpty(); }, 30000));
    EXPECT_EQ(at.seams.messages, QStringList { messages::SetDisk });
    EXPECT_EQ((QStringList { form.Dir1.Path(), form.File1.Path(), form.Text1.Text() }), before);
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
}

TEST(SlowDisk, TheWindowAppearsWhileTheCurrentFolderAndTheFolderNamedAreRead)
{
    SKIP_WITHOUT_SLOW_DISK();
    Setting at;
    at.fill("here", 30);
    const QStringList names = at.fill("there", 40);
    ASSERT_TRUE(QDir::setCurrent(at.dir.filePath("here")));
    const test::SlowDisk disk { { "SLOWFS_UNDER", at.dir.path() }, { "SLOWFS_DELAY_MS", "50" } };

    QElapsedTimer timer;
    timer.start();
    startProgram({ "tessaline", at.dir.filePath("there") });
    took("start-up", timer);
    frmBmpGet& form = *Window<frmBmpGet>().Instance();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.SB.SimpleText().contains(StillReading)) << form.SB.SimpleText().toStdString();

    // The file list never shows the names of the folder it leaves under the folder text of the next.
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Text1.Text() == at.dir.filePath("there") + "/"; }, 30000));
    EXPECT_TRUE(form.File1.ListCount() == 0 || entries(form.File1) == names);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entries(form.File1) == names; }, 30000));
    EXPECT_EQ(form.Dir1.Path(), at.dir.filePath("there"));
    EXPECT_TRUE(form.SB.SimpleText().isEmpty()) << form.SB.SimpleText().toStdString();
}

} // namespace
