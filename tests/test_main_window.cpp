#include "browser/frmBmpGet.h"
#include "browser/layout.h"
#include "forms/fonts.h"
#include "forms/messages.h"
#include "forms/mypath.h"
#include "system.h"
#include "windows_fixture.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QListView>
#include <QMenuBar>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace tl;
using namespace tl::test;

namespace {

class MainWindow : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        for (const char* name : { "driveA", "driveB", "driveC" })
            dir.mkpath(QLatin1String(name) + QStringLiteral("/sub/deeper"));
        driveA = dir.filePath("driveA");
        driveB = dir.filePath("driveB");
        driveC = dir.filePath("driveC");
        seams.drives->roots << driveA << driveB << driveC;
        form->Drive1.Refresh(); // as when the user opens the drive list
    }

    QString driveA, driveB, driveC;
};

QRect pixels(int left, int top, int width, int height)
{
    return { toPixels(left), toPixels(top), toPixels(width), toPixels(height) };
}

TEST_F(MainWindow, EveryControlStandsWhereTheLayoutPutsIt)
{
    struct Row {
        const char* name;
        const Control& control;
        QRect expected;
    };
    const Row rows[] = {
        { "SB", form->SB, { 0, 403, 786, 24 } },
        { "Label3", form->Label3, { 16, 8, 97, 17 } },
        { "Dir1", form->Dir1, { 8, 48, 105, 168 } },
        { "Drive1", form->Drive1, { 8, 24, 105, 18 } },
        { "File1", form->File1, { 8, 216, 105, 174 } },
        { "Text1", form->Text1, { 280, 344, 193, 25 } },
        { "Text2", form->Text2, { 280, 376, 193, 18 } },
        { "Picture1", form->Picture1, { 120, 0, 633, 329 } },
        { "VScroll1", form->VScroll1, { 760, 0, 17, 329 } },
        { "Label1", form->Label1, { 192, 352, 89, 17 } },
        { "List1", form->List1, { 536, 336, 169, 52 } },
        { "Label2", form->Label2, { 192, 376, 81, 17 } },
        { "Command1", form->Command1, { 480, 368, 41, 25 } },
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.control.widget()->geometry(), row.expected) << row.name;

    for (int k = 0; k < layout::CellCount; ++k) {
        const int r = k / 6, c = k % 6;
        EXPECT_EQ(form->Image2[k].widget()->geometry(), QRect(104 * c, 80 * r, 105, 81)) << "Image2 " << k;
        EXPECT_EQ(form->Image2[k].widget()->parentWidget(), form->Picture1.inner());
        EXPECT_TRUE(form->Image2[k].Stretch());
    }
    for (const ImageControl& preview : form->Image1) {
        EXPECT_EQ(preview.widget()->geometry(), pixels(1920, 5040, 720, 840));
        EXPECT_TRUE(preview.Stretch());
    }
    EXPECT_EQ(form->client()->size(), QSize(786, 427));
    EXPECT_EQ(form->ScaleWidth(), 11790);
    EXPECT_EQ(form->ScaleHeight(), 6405);
}

TEST_F(MainWindow, HasItsFrameMenuAndStartState)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("HTMLファイルを解析し，画像ファイルの取得"));
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowIcon().isNull());

    QStringList captions;
    for (QAction* action : form->menuBar()->actions()) {
        captions << action->text();
        EXPECT_EQ(action->menu(), nullptr) << "no drop-down below " << action->text().toStdString();
    }
    EXPECT_EQ(captions, (QStringList { "画像読み込み", "終わる", "HELP" }));

    EXPECT_TRUE(form->Text1.Text().isEmpty());
    EXPECT_TRUE(form->Text2.Text().isEmpty());
    EXPECT_TRUE(form->SB.SimpleText().isEmpty());
    EXPECT_EQ(form->VScroll1.Min(), 0);
    EXPECT_EQ(form->VScroll1.Max(), 0);
    EXPECT_EQ(form->VScroll1.SmallChange(), 1200);
    EXPECT_EQ(form->VScroll1.LargeChange(), 1200);
    EXPECT_EQ(form->File1.Pattern(), QStringLiteral("*.gif;*.jpg;*.bmp;*.ico"));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(form->Image1[i].Visible(), i == 0) << i;
    EXPECT_FALSE(form->List1.Visible());
    EXPECT_FALSE(form->List1.widget()->isVisible());
    EXPECT_EQ(form->Label1.Caption(), QStringLiteral("参照デイレクトリ"));
    EXPECT_EQ(form->Label2.Caption(), QStringLiteral("ファイル名"));
    EXPECT_EQ(form->Command1.Caption(), QStringLiteral("開く"));

    // Before the first load only the transparent 1 x 1 picture sits in three cells.
    for (int k = 0; k < 24; ++k) {
        const bool blank = k == 2 || k == 16 || k == 20;
        EXPECT_EQ(form->Image2[k].Picture().isEmpty(), !blank) << k;
        if (blank) {
            EXPECT_EQ(form->Image2[k].Picture().pixelWidth(), 1);
            EXPECT_TRUE(form->Image2[k].Picture().sameObject(form->Picture1.Picture()));
        }
    }
    const QSize previewSizes[] = { { 80, 100 }, { 352, 240 }, { 110, 161 }, { 352, 240 }, { 320, 239 }, { 146, 87 } };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(form->Image1[i].Picture().image().size(), previewSizes[i]) << i;
}

TEST_F(MainWindow, TabOrderRunsFromTheFolderListUpToTheDriveList)
{
    const QWidget* expected[]
        = { form->Dir1.widget(), form->Drive1.widget(), form->File1.widget(), form->Text1.widget(),
              form->Text2.widget(), form->Picture1.widget(), form->VScroll1.widget(), form->Command1.widget() };
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    EXPECT_EQ(QApplication::focusWidget(), expected[0]);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected[i]) << "stop " << i;
    }
}

TEST_F(MainWindow, FolderTextFollowsTheFolderList)
{
    EXPECT_TRUE(form->Text1.Text().isEmpty()) << "nothing is filled in before the first change";

    form->Drive1.setDrive(driveA);
    EXPECT_EQ(form->Dir1.Path(), driveA);
    EXPECT_EQ(form->Text1.Text(), driveA + "/");

    form->Dir1.setPath(driveA + "/sub");
    EXPECT_EQ(form->Text1.Text(), driveA + "/sub/");

    form->Drive1.setDrive("/");
    EXPECT_TRUE(form->Dir1.openFolder("/"));
    EXPECT_EQ(form->Text1.Text(), QStringLiteral("/")) << "a root is never doubled";
}

TEST_F(MainWindow, EachDriveRemembersItsOwnFolder)
{
    form->Drive1.setDrive(driveA);
    form->Dir1.setPath(driveA + "/sub/deeper");
    form->Drive1.setDrive(driveB);
    EXPECT_EQ(form->Text1.Text(), driveB + "/");
    form->Drive1.setDrive(driveA);
    EXPECT_EQ(form->Text1.Text(), driveA + "/sub/deeper/");

    // A remembered folder removed meanwhile gives the nearest folder above it.
    form->Drive1.setDrive(driveB);
    QDir(driveA + "/sub/deeper").removeRecursively();
    form->Drive1.setDrive(driveA);
    EXPECT_EQ(form->Text1.Text(), driveA + "/sub/");
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(MainWindow, ChoosingTheDriveAlreadyShownRunsNothing)
{
    int changes = 0;
    form->Dir1.Change = [&] { ++changes; };
    form->Drive1.setDrive(form->Drive1.Drive());
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(form->Text1.Text().isEmpty());
}

TEST_F(MainWindow, DriveFailuresAreReported)
{
    struct Row {
        DriveStatus status;
        QString message;
        int ends;
    };
    const Row rows[] = {
        { DriveStatus::NoMedium, messages::SetDisk, 0 },
        { DriveStatus::Gone, messages::SetDisk, 0 },
        { DriveStatus::Unreadable, messages::SetDisk, 0 },
        { DriveStatus::Failed, messages::Unexpected, 1 },
    };
    for (const Row& row : rows) {
        seams.messages.clear();
        seams.ends = 0;
        form->Drive1.setDrive(driveA);
        form->Dir1.setPath(driveA + "/sub");
        const QStringList files = { form->File1.Path(), form->Text1.Text() };

        seams.drives->status[driveB] = row.status;
        form->Drive1.setDrive(driveB);
        EXPECT_EQ(seams.messages, QStringList { row.message });
        EXPECT_EQ(seams.ends, row.ends);
        EXPECT_EQ(form->Drive1.Drive(), driveB) << "the drive list shows the new choice";
        EXPECT_EQ(form->Dir1.Path(), driveA + "/sub");
        EXPECT_EQ((QStringList { form->File1.Path(), form->Text1.Text() }), files);

        // Another drive afterwards works as usual.
        seams.drives->status.remove(driveB);
        form->Drive1.setDrive(driveC);
        EXPECT_EQ(form->Text1.Text(), driveC + "/");
        EXPECT_EQ(seams.messages.size(), 1);
    }
}

// A stick pulled out stays in the drive list until the list is opened again; the arrow keys choose
// it from there.
TEST_F(MainWindow, ChoosingADriveThatHasGoneAsksForADiskAndKeepsItsFolder)
{
    struct Row {
        const char* name;
        std::function<void()> takeAway;
        std::function<void()> bringBack;
    };
    const QByteArray rootB = QFile::encodeName(driveB);
    const Row rows[] = {
        { "unmounted and its mount point removed", [&] { QDir(driveB).removeRecursively(); },
            [&] { QDir().mkpath(driveB + "/sub/deeper"); } },
        { "unmounted, its empty mount point left",
            [&] {
                seams.drives->roots.removeOne(driveB);
                QDir(driveB + "/sub").removeRecursively();
            },
            [&] {
                QDir().mkpath(driveB + "/sub/deeper");
                seams.drives->roots << driveB;
            } },
        { "its root made unreadable", [&] { ::chmod(rootB.constData(), 0); },
            [&] { ::chmod(rootB.constData(), 0755); } },
    };
    for (const Row& row : rows) {
        if (permissionsDoNotStopReading() && std::string_view(row.name) == "its root made unreadable")
            continue; // this user reads folders whatever their permission bits
        SCOPED_TRACE(row.name);
        seams.messages.clear();
        form->Drive1.setDrive(driveB);
        form->Dir1.setPath(driveB + "/sub/deeper");
        form->Drive1.setDrive(driveA);
        const QStringList shown = { form->Dir1.Path(), form->File1.Path(), form->Text1.Text() };

        row.takeAway();
        form->Drive1.setDrive(driveB);
        EXPECT_EQ(seams.messages, QStringList { messages::SetDisk });
        EXPECT_EQ(seams.ends, 0);
        EXPECT_EQ((QStringList { form->Dir1.Path(), form->File1.Path(), form->Text1.Text() }), shown);

        // Back again, the drive opens on the folder it had.
        row.bringBack();
        form->Drive1.setDrive(driveC);
        form->Drive1.setDrive(driveB);
        EXPECT_EQ(form->Text1.Text(), driveB + "/sub/deeper/");
        EXPECT_EQ(seams.messages.size(), 1);
    }
}

TEST_F(MainWindow, AFolderThatCannotBeOpenedLeavesTheListsAsTheyWere)
{
    form->Drive1.setDrive(driveA);
    int changes = 0;
    form->Dir1.Change = [&] { ++changes; };
    QDir(driveA + "/sub").removeRecursively();
    EXPECT_FALSE(form->Dir1.openFolder(driveA + "/sub"));
    EXPECT_FALSE(form->Dir1.openFolder(driveA + "/not-a-folder.txt"));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(form->Dir1.Path(), driveA);
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(MainWindow, ChoosingAFileNamesItAndPreviewsIt)
{
    QDir a(driveA);
    writePicture(a, "wide.bmp", 40, 10, Qt::blue);
    writePicture(a, "tall.jpg", 10, 40, Qt::green);
    form->Drive1.setDrive(driveA);
    ASSERT_EQ(form->File1.ListCount(), 2);

    form->File1.setListIndex(1);
    EXPECT_EQ(form->Text2.Text(), QStringLiteral("wide.bmp"));
    EXPECT_EQ(form->PicturePath, driveA + "/wide.bmp");
    const StdPicture& preview = form->Image1[0].Picture();
    EXPECT_EQ(QSize(preview.pixelWidth(), preview.pixelHeight()), QSize(40, 10));
    EXPECT_EQ(preview.scaledCopy(form->Image1[0].devicePixels()).pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(form->Image1[0].widget()->geometry(), pixels(1920, 5040, 720, 840)) << "stretched, never resized";

    // Whatever Text1 holds is the folder the file is read from.
    form->Text1.setText(QStringLiteral("/nowhere/"));
    form->File1.setListIndex(0);
    EXPECT_EQ(form->PicturePath, QStringLiteral("/nowhere/tall.jpg"));
    EXPECT_TRUE(form->Image1[0].Picture().isEmpty());
}

TEST_F(MainWindow, AFileThatCannotBeDecodedBlanksThePreviewQuietly)
{
    QDir a(driveA);
    writeBytes(a, "empty.jpg", {});
    writeBytes(a, "text.bmp", "this is not a picture");
    const QString truncated = writePicture(a, "truncated.jpg", 64, 64);
    QFile file(truncated);
    file.open(QIODevice::ReadWrite);
    file.resize(40);
    file.close();
    writePicture(a, "vanished.bmp", 8, 8);
    writePicture(a, "good.bmp", 8, 8);
    form->Drive1.setDrive(driveA);
    int good = 0;
    while (form->File1.List(good) != QStringLiteral("good.bmp"))
        ++good;
    QFile::remove(a.filePath("vanished.bmp"));
    a.mkdir("vanished.bmp"); // now a folder where the file was

    for (int i = 0; i < form->File1.ListCount(); ++i) {
        if (form->File1.List(i) == QStringLiteral("good.bmp"))
            continue;
        form->File1.setListIndex(good);
        ASSERT_FALSE(form->Image1[0].Picture().isEmpty());
        form->File1.setListIndex(i);
        EXPECT_TRUE(form->Image1[0].Picture().isEmpty()) << form->File1.List(i).toStdString();
    }
    EXPECT_TRUE(seams.messages.isEmpty());
}

TEST_F(MainWindow, TabbingIntoTheFileListChoosesNothingUntilTheUserPicksAnEntry)
{
    QDir a(driveA);
    for (const char* name : { "1.bmp", "2.bmp", "3.bmp" })
        writePicture(a, QLatin1String(name), 8, 8);
    form->Drive1.setDrive(driveA);
    const StdPicture preview = form->Image1[0].Picture();
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->Dir1.widget()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->File1.widget());
    EXPECT_TRUE(form->Text2.Text().isEmpty());
    EXPECT_TRUE(form->PicturePath.isEmpty());
    EXPECT_TRUE(form->Image1[0].Picture().sameObject(preview));

    auto* view = static_cast<QAbstractItemView*>(form->File1.widget());
    const auto key = [&](Qt::Key k) { return [&, k] { QTest::keyClick(view, k); }; };
    const auto click = [&](int row) {
        return [&, row] {
            const QPoint centre = view->visualRect(view->model()->index(row, 0)).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
        };
    };
    struct Step {
        const char* action;
        std::function<void()> act;
        const char* chosen;
    };
    const Step steps[] = {
        { "Down picks the first entry", key(Qt::Key_Down), "1.bmp" },
        { "Down again the next", key(Qt::Key_Down), "2.bmp" },
        { "a click on the third", click(2), "3.bmp" },
        { "Up the one above", key(Qt::Key_Up), "2.bmp" },
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(form->Text2.Text(), QLatin1String(step.chosen)) << step.action;
        EXPECT_EQ(form->PicturePath, driveA + "/" + step.chosen) << step.action;
    }
}

// A protected member of the view, reached through a pointer to member, which is allowed.
struct ViewOptions : QListView {
    using QListView::initViewItemOption;
};

TEST_F(MainWindow, DeepFoldersAndTheirSubfoldersStayReadable)
{
    const QFont saved = QApplication::font();
    setUpFonts();
    const QString kyoto = dir.filePath("home/user/Pictures/2024/旅行/京都");
    for (const char* sub : { "嵐山", "金閣寺" })
        ASSERT_TRUE(QDir().mkpath(kyoto + "/" + QString::fromUtf8(sub)));
    form->Dir1.setPath(kyoto);
    QCoreApplication::processEvents(); // lets the list lay out its entries and its scroll bar

    QStringList paths = { kyoto + "/嵐山", kyoto + "/金閣寺" };
    for (QString p = kyoto; p != "/"; p = QFileInfo(p).path())
        paths.prepend(p);
    paths.prepend("/");
    const int shown = static_cast<int>(paths.indexOf(kyoto));

    auto* list = static_cast<QListView*>(form->Dir1.widget());
    const QAbstractItemModel* entries = list->model();
    ASSERT_EQ(entries->rowCount(), paths.size());
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(reader, nullptr);
    QStyleOptionViewItem option;
    (list->*(&ViewOptions::initViewItemOption))(&option);
    // The folder shown stands one 5-pixel step right of its parent and its subfolders one more;
    // the folders above the parent stand at the left edge with it.
    QList<int> indents, expected;
    for (int row = 0; row < entries->rowCount(); ++row) {
        indents << entries->index(row, 0).data(Qt::UserRole + 1).toInt();
        expected << 5 * std::clamp(row - shown + 1, 0, 2);
    }
    EXPECT_EQ(indents, expected);
    for (int row = 0; row < entries->rowCount(); ++row) {
        const QString name = row == 0 ? QStringLiteral("/") : QFileInfo(paths[row]).fileName();
        const QModelIndex entry = entries->index(row, 0);
        SCOPED_TRACE(paths[row].toStdString());
        EXPECT_EQ(entry.data(Qt::ToolTipRole).toString(), paths[row]);
        ASSERT_NE(reader->child(row), nullptr);
        EXPECT_EQ(reader->child(row)->text(QAccessible::Name), name);
        if (row >= shown) {
            const QSize needed = list->itemDelegate()->sizeHint(option, entry);
            EXPECT_LE(needed.width(), list->viewport()->width()) << "the whole name fits";
            EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(entry))) << "in view";
        }
    }
    QApplication::setFont(saved);
}

TEST_F(MainWindow, TheDriveListFollowsTheFolderIntoAndOutOfAMount)
{
    const QString media = dir.filePath("media");
    const QString stick = media + "/stick";
    ASSERT_TRUE(QDir().mkpath(stick + "/DCIM"));
    seams.drives->roots << stick;
    form->Drive1.setDrive(stick);
    form->Dir1.setPath(stick + "/DCIM");
    int changes = 0;
    form->Drive1.Change = [&] {
        ++changes;
        form->Drive1_Change();
    };
    auto* combo = static_cast<QComboBox*>(form->Drive1.widget());

    struct Row {
        const char* action;
        QString folder;
        QString drive;
    };
    const Row rows[] = {
        { "out of the stick", media, "/" },
        { "into the stick", stick + "/DCIM", stick },
        { "out again", media, "/" },
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(form->Dir1.openFolder(row.folder)) << row.action;
        EXPECT_EQ(form->Drive1.Drive(), row.drive) << row.action;
        EXPECT_EQ(combo->currentText(), row.drive) << row.action;
    }
    EXPECT_EQ(changes, 0);

    // Choosing the stick now goes back to where the folder list last was on it.
    form->Drive1.setDrive(stick);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form->Text1.Text(), stick + "/DCIM/");
}

TEST_F(MainWindow, NewAndRemovedFilesShowWhenTheFolderIsOpenedAgainOrOnF5)
{
    struct Row {
        const char* action;
        std::function<void()> act;
    };
    const Row rows[] = {
        { "Enter on the folder shown", [&] { QTest::keyClick(form->Dir1.widget(), Qt::Key_Return); } },
        { "F5 in the folder list", [&] { QTest::keyClick(form->Dir1.widget(), Qt::Key_F5); } },
        { "F5 in the file list", [&] { QTest::keyClick(form->File1.widget(), Qt::Key_F5); } },
    };
    const QAbstractItemModel* entries = static_cast<QListView*>(form->Dir1.widget())->model();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.action);
        QDir folder(dir.filePath(QLatin1String(row.action)));
        ASSERT_TRUE(folder.mkpath("old folder"));
        writePicture(folder, "kept.bmp", 4, 4);
        writePicture(folder, "old.bmp", 4, 4);
        form->Dir1.setPath(folder.path());
        form->File1.setListIndex(0);
        ASSERT_EQ(form->File1.ListCount(), 2);

        writePicture(folder, "new.bmp", 4, 4);
        QFile::remove(folder.filePath("old.bmp"));
        folder.rmdir("old folder");
        folder.mkdir("new folder");
        row.act();

        EXPECT_EQ(form->Dir1.Path(), folder.path());
        EXPECT_EQ(
            entries->index(entries->rowCount() - 1, 0).data(Qt::UserRole).toString(), folder.filePath("new folder"));
        EXPECT_EQ((QStringList { form->File1.List(0), form->File1.List(1) }), (QStringList { "kept.bmp", "new.bmp" }));
        EXPECT_EQ(form->File1.ListCount(), 2);
    }
}

TEST_F(MainWindow, MenuEndEndsTheProgramAtOnce)
{
    form->mnuEnd->trigger();
    EXPECT_EQ(seams.ends, 1);
}

// The real end, in a child process that runs this test again up to the end.
TEST(EndOfProgram, TheExitStatusTellsAnUnexpectedErrorFromTheUsersEnd)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto realEnd = endProgram;
    Seams seams;
    endProgram = realEnd;
    QTemporaryDir temp;
    const QString failing = temp.path();
    seams.drives->roots << failing;
    seams.drives->status[failing] = DriveStatus::Failed;
    frmBmpGet& form = Window<frmBmpGet>().Show();

    EXPECT_EXIT(form.mnuEnd->trigger(), ::testing::ExitedWithCode(0), "") << "終わる";
    EXPECT_EXIT(form.Drive1.setDrive(failing), ::testing::ExitedWithCode(1), "tessaline.browser: cannot open the drive")
        << "the unexpected error, logged";
    unload<frmBmpGet>();
}

TEST(StartUp, StartedInAFolderThatWasRemovedOpensTheNearestOneLeft)
{
    Seams seams;
    QTemporaryDir temp;
    const QString other = temp.path() + "/other";
    ASSERT_TRUE(QDir().mkpath(temp.path() + "/album/2019"));
    ASSERT_TRUE(QDir().mkpath(other));
    seams.drives->roots << other;
    struct BackHome {
        QString folder = QDir::currentPath();
        ~BackHome() { QDir::setCurrent(folder); }
    } backHome;
    ASSERT_TRUE(QDir::setCurrent(temp.path() + "/album/2019"));
    QDir(temp.path() + "/album").removeRecursively();

    frmBmpGet& form = Window<frmBmpGet>().Show();
    EXPECT_EQ(form.Dir1.Path(), temp.path());
    EXPECT_EQ(form.File1.Path(), temp.path());
    EXPECT_EQ(form.Drive1.Drive(), QStringLiteral("/"));
    const QAbstractItemModel* entries = static_cast<QListView*>(form.Dir1.widget())->model();
    for (int row = 0; row < entries->rowCount(); ++row)
        EXPECT_FALSE(entries->index(row, 0).data().toString().trimmed().isEmpty()) << row;

    // Back from another drive, "/" opens on that same folder.
    form.Drive1.setDrive(other);
    form.Drive1.setDrive(QStringLiteral("/"));
    EXPECT_TRUE(seams.messages.isEmpty());
    EXPECT_EQ(form.Text1.Text(), temp.path() + "/");
    unload<frmBmpGet>();
}

TEST_F(MainWindow, JapaneseTextUsesAJapaneseFont)
{
    const QFont saved = QApplication::font();
    setUpFonts();
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(QApplication::font().pointSize(), 9);
    const QRawFont raw = QRawFont::fromFont(QApplication::font(form->menuBar()), QFontDatabase::Japanese);
    QApplication::setFont(saved);
    EXPECT_TRUE(raw.supportsCharacter(QChar(0x753B))) << raw.familyName().toStdString(); // 画
}

TEST(MyPathTest, EndsInExactlyOneSeparator)
{
    Seams seams;
    struct Row {
        const char* folder;
        const char* expected;
    };
    for (const Row& row : { Row { "/", "/" }, Row { "/opt/tessaline", "/opt/tessaline/" } }) {
        applicationFolder = [&] { return QString::fromLatin1(row.folder); };
        EXPECT_EQ(MyPath(), QString::fromLatin1(row.expected));
    }
}

} // namespace
