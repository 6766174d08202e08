#include "app/messages.h"
#include "app/mypath.h"
#include "app/startup.h"
#include "browser/frmBmpGet.h"
#include "browser/layout.h"
#include "windows_fixture.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QMenuBar>
#include <QRawFont>
#include <QSignalSpy>
#include <QTest>

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
        QRect expected;
    };
    const Row rows[] = {
        { "SB", { 0, 403, 786, 24 } },
        { "Label3", { 16, 8, 97, 17 } },
        { "Dir1", { 8, 48, 105, 168 } },
        { "Drive1", { 8, 24, 105, 18 } },
        { "File1", { 8, 216, 105, 174 } },
        { "Text1", { 280, 344, 193, 25 } },
        { "Text2", { 280, 376, 193, 18 } },
        { "Picture1", { 120, 0, 633, 329 } },
        { "VScroll1", { 760, 0, 17, 329 } },
        { "Label1", { 192, 352, 89, 17 } },
        { "List1", { 536, 336, 169, 52 } },
        { "Label2", { 192, 376, 81, 17 } },
        { "Command1", { 480, 368, 41, 25 } },
    };
    for (const Row& row : rows)
        EXPECT_EQ(form->controlNamed(QLatin1String(row.name))->widget()->geometry(), row.expected) << row.name;

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

TEST_F(MainWindow, ADriveWhoseRootCannotBeListedAsksForADisk)
{
    QDir(driveB).removeRecursively();
    form->Drive1.setDrive(driveB);
    EXPECT_EQ(seams.messages, QStringList { messages::SetDisk });
    EXPECT_EQ(seams.ends, 0);
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

TEST_F(MainWindow, MenuEndEndsTheProgramAtOnce)
{
    form->mnuEnd->trigger();
    EXPECT_EQ(seams.ends, 1);
}

TEST_F(MainWindow, JapaneseTextUsesAJapaneseFont)
{
    const QFont saved = QApplication::font();
    SetUpFonts();
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
        ApplicationFolder = [&] { return QString::fromLatin1(row.folder); };
        EXPECT_EQ(MyPath(), QString::fromLatin1(row.expected));
    }
}

} // namespace
