#include "app/commandline.h"
#include "app/startup.h"
#include "browser/frmBmpGet.h"
#include "browser/opennamed.h"
#include "support.h"
#include "system.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <memory>
#include <sys/stat.h>

using namespace tl;
using namespace tl::test;

namespace {

// The message box the program shows, not a stand-in: the user sees the program's name as its
// caption, the text, no icon and one button, OK, which the box waits for.
TEST(MessageBox, ShowsTheTextUnderTheProgramsNameWithOnlyAnOkButton)
{
    struct Seen {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QStringList buttons;
        bool modal = false;
        bool okPressed = false;
    } seen;
    QTimer watcher;
    int ticks = 0;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            // Never wait for ever on a box that did not come.
            if (++ticks > 500 && QApplication::activeModalWidget())
                QApplication::activeModalWidget()->close();
            return;
        }
        watcher.stop();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.modal = box->isModal();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.okPressed = true;
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    watcher.start(10);

    MsgBox(QStringLiteral("Help.txtファイルがありません。"));
    watcher.stop();
    EXPECT_TRUE(seen.okPressed) << "returns only after OK";
    EXPECT_EQ(seen.caption, QStringLiteral("Tessaline"));
    EXPECT_EQ(seen.text, QStringLiteral("Help.txtファイルがありません。"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons.size(), 1) << seen.buttons.join(u", ").toStdString();
    EXPECT_TRUE(seen.modal);
}

// Starts the program as main() does, and puts back what start-up changes for the whole process.
class ProgramStart : public testing::Test {
protected:
    void TearDown() override
    {
        unload<frmBmpGet>();
        QApplication::setFont(font_);
        QApplication::setApplicationName(name_);
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
    }
    Seams seams;

private:
    QFont font_ = QApplication::font();
    QString name_ = QApplication::applicationName();
};

// The main window opens at the screen's top-left corner, its inner area 30 twips from the left
// edge and 735 from the top.
TEST_F(ProgramStart, PutsTheMainWindowsInnerAreaNearTheTopLeftCorner)
{
    startProgram();
    frmBmpGet* form = Window<frmBmpGet>().Instance();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->client()->mapToGlobal(QPoint(0, 0)), QPoint(2, 49));
}

// Qt draws the text boxes' context menu itself: without its Japanese translation the menu of a
// Japanese program reads "&Undo", "&Copy", "Select All".
TEST_F(ProgramStart, TheTextBoxContextMenuReadsInJapanese)
{
    startProgram();
    auto* box = qobject_cast<QLineEdit*>(Window<frmBmpGet>().Instance()->Text1.widget());
    ASSERT_NE(box, nullptr);
    const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
    QStringList english;
    int commands = 0;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        ++commands;
        const QString text = action->text();
        if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
            english << text;
    }
    EXPECT_GE(commands, 6);
    EXPECT_TRUE(english.isEmpty()) << english.join(u", ").toStdString();
}

// A folder or file named on the command line opens as if the user had opened it in the lists; a name
// that cannot be opened leaves the program as it starts without one, and one line on standard error
// says why.
TEST_F(ProgramStart, OpensTheFolderOrFileNamedOnTheCommandLine)
{
    QTemporaryDir temp;
    const QDir dir(temp.path());
    writePicture(dir, "a.bmp", 1, 1);
    writePicture(dir, "b.bmp", 2, 1);
    writePicture(dir, "-c.bmp", 3, 1);
    writeBytes(dir, "notes.txt", "not listed");
    // Relative names are taken from the folder the program starts in.
    const QString startedIn = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(startedIn); });
    ASSERT_EQ(makeFifo(dir.filePath("pipe.jpg")), HasFifos);
    const QString folder = dir.path() + "/";
    struct Row {
        const char* what;
        QStringList arguments;
        QString folderText, fileText;
        int previewWidth;
        bool complains;
    };
    const Row rows[] = {
        { "nothing named", {}, "", "", 0, false },
        { "a folder", { dir.path() }, folder, "", 0, false },
        { "a picture file", { dir.filePath("b.bmp") }, folder, "b.bmp", 2, false },
        { "options before the name, a second name after it", { "-x", "--y", dir.filePath("b.bmp"), "/" }, folder,
            "b.bmp", 2, false },
        { "a name after --", { "--", dir.filePath("a.bmp") }, folder, "a.bmp", 1, false },
        { "a name that starts with a dash after --", { "--", "-c.bmp" }, folder, "-c.bmp", 3, false },
        { "a file the file list leaves out", { dir.filePath("notes.txt") }, folder, "", 0, true },
        { "a missing folder", { dir.filePath("gone") }, "", "", 0, true },
        { "an empty name", { "" }, "", "", 0, true },
        { "a pipe named like a picture", { dir.filePath("pipe.jpg") }, "", "", 0, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testing::internal::CaptureStderr();
        startProgram(QStringList { "tessaline" } + row.arguments);
        const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
        frmBmpGet& form = *Window<frmBmpGet>().Instance();
        EXPECT_EQ(form.Text1.Text(), row.folderText);
        EXPECT_EQ(form.Text2.Text(), row.fileText);
        EXPECT_EQ(form.Image1[0].Picture().fileName().isEmpty() ? 0 : form.Image1[0].Picture().pixelWidth(),
            row.previewWidth);
        if (!row.folderText.isEmpty()) {
            EXPECT_EQ(form.File1.Path(), dir.path());
            form.mnuCget->trigger();
            EXPECT_EQ(form.List1.ListCount(), 3) << "画像読み込み works at once";
        }
        EXPECT_EQ(errors.count("tessaline: "), row.complains ? 1 : 0) << errors.toStdString();
        unload<frmBmpGet>();
    }
}

// The file named on the command line is found in the file list as the system compares names: on
// Windows, whatever its case; a name spelt exactly as listed wins over another spelling.
TEST(CommandLine, FindsTheNamedFileAsTheSystemComparesNames)
{
    QTemporaryDir temp;
    const QDir dir(temp.path());
    for (const char* name : { "a.bmp", "Photo.JPG", "photo.jpg" })
        writeBytes(dir, QLatin1String(name), "x");
    FileList list;
    list.setPattern(QStringLiteral("*.jpg;*.bmp"));
    list.setPath(temp.path());
    ASSERT_EQ(list.ListCount(), 3);
    const struct {
        const char* name;
        Qt::CaseSensitivity names;
        const char* found;
    } rows[] = {
        { "a.bmp", Qt::CaseSensitive, "a.bmp" },
        { "A.BMP", Qt::CaseSensitive, "" },
        { "A.BMP", Qt::CaseInsensitive, "a.bmp" },
        { "photo.jpg", Qt::CaseInsensitive, "photo.jpg" },
        { "Photo.JPG", Qt::CaseInsensitive, "Photo.JPG" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(list.List(indexOfNamed(list, QLatin1String(row.name), row.names)), QLatin1String(row.found));
    }
}

} // namespace
