// Names that are not UTF-8: bytes as old Windows archives and cards leave them.

#include <QtGlobal>

#ifndef Q_OS_WIN

#include "app/commandline.h"
#include "browser/opennamed.h"
#include "pictures/regularfile.h"
#include "platform/files/filenames.h"
#include "platform/files/folderlisting.h"
#include "platform/files/nativenames.h"
#include "windows_fixture.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QDropEvent>
#include <QMimeData>
#include <QScopeGuard>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tl;
using namespace tl::test;

namespace {

// Shift-JIS bytes, as Windows writes them.
const QByteArray ShashinSjis("\x8e\xca\x90\x5e"); // 写真
const QByteArray CameraSjis("\x83\x4a\x83\x81\x83\x89.bmp"); // カメラ.bmp
const QByteArray NothingBytes("\xff\xfe.bmp"); // no character in any encoding
const QString Shashin = QStringLiteral("写真");
const QString Camera = QStringLiteral("カメラ.bmp");
const QString Nothing = QStringLiteral("\uFFFD\uFFFD.bmp");

QByteArray bmpOf(int width)
{
    QImage image(width, 1, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "BMP"));
    return bytes;
}

// Written by its bytes, past Qt, which would write its name as UTF-8.
void writeRaw(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    EXPECT_EQ(::write(fd, content.constData(), content.size()), content.size());
    ::close(fd);
}

// Qt would look for these names by their UTF-8 and leave them: the test's folder is emptied by bytes.
void removeRaw(const QByteArray& folder)
{
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (::unlink((folder + '/' + name).constData()) != 0) {
                removeRaw(folder + '/' + name);
                ::rmdir((folder + '/' + name).constData());
            }
        }
        ::closedir(dir);
    }
}

QByteArray readBack(const QString& path)
{
    QFile file;
    QString why;
    return openRegularFile(file, path, why) ? file.readAll() : QByteArray("unopened: ") + why.toUtf8();
}

// Each name listed reads as code page 932 where it can, and opens the file of its own bytes, even
// beside a UTF-8 name that reads the same.
TEST(FileNames, ListedAsShiftJisAndOpenedByTheirOwnBytes)
{
    QTemporaryDir temp;
    const QByteArray folder = QFile::encodeName(temp.path()) + '/';
    const auto cleanUp = qScopeGuard([&] { removeRaw(QFile::encodeName(temp.path())); });
    const struct {
        const char* what;
        QByteArray bytes;
        QString shown;
    } rows[] = {
        { "ASCII", "photo.jpg", "photo.jpg" },
        { "UTF-8", QStringLiteral("日本.jpg").toUtf8(), QStringLiteral("日本.jpg") },
        { "Shift-JIS", ShashinSjis + ".jpg", Shashin + ".jpg" },
        { "Shift-JIS, a UTF-8 name of the same text beside it", ShashinSjis + ".JPG",
            QStringLiteral("\uFFFD\uFFFD\uFFFD^.JPG") },
        { "UTF-8 beside it", (Shashin + ".JPG").toUtf8(), Shashin + ".JPG" },
        { "a trail byte that is a backslash", "\x83\x5c.jpg", QStringLiteral("ソ.jpg") },
        { "half-width katakana", "\xb6\xd2\xd7\xdf.jpg", QStringLiteral("ｶﾒﾗﾟ.jpg") },
        { "a UTF-8 character whose low surrogate looks like a kept byte", "\xf0\x9f\x82\xa1.jpg",
            QStringLiteral("\U0001F0A1.jpg") },
        { "a surrogate written as UTF-8", "\xed\xa0\x80.jpg", QStringLiteral("\uFFFD\uFFFD\uFFFD.jpg") },
        { "bytes that decode as nothing", NothingBytes, Nothing },
        { "a lead byte without its trail", "a\x8e.jpg", QStringLiteral("a\uFFFD.jpg") },
        { "a pair Windows writes as another", "\xed\x40.jpg", QStringLiteral("\uFFFD@.jpg") },
        { "the pair Windows writes", "\xfa\x5c.jpg", QStringLiteral("纊.jpg") },
    };
    for (const auto& row : rows)
        writeRaw(folder + row.bytes, row.what);
    const QStringList names = listFiles(temp.path(), { QStringLiteral("*.jpg"), QStringLiteral("*.bmp") });
    ASSERT_EQ(names.size(), std::size(rows));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto found = std::find_if(names.begin(), names.end(),
            [&](const QString& name) { return readBack(temp.path() + '/' + name) == row.what; });
        ASSERT_NE(found, names.end());
        EXPECT_EQ(shownFileName(*found), row.shown);
        EXPECT_TRUE(regularFileVersion(temp.path() + '/' + *found).has_value());
    }
}

// A Shift-JIS folder holding a Shift-JIS picture, a picture whose name reads as nothing and an
// ordinary one, reached every way a name leads.
class ShiftJisNames : public WindowsTest {
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        const QByteArray folder = QFile::encodeName(temp.path()) + '/' + ShashinSjis;
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        writeRaw(folder + "/a.bmp", bmpOf(1));
        writeRaw(folder + '/' + CameraSjis, bmpOf(2));
        writeRaw(folder + '/' + NothingBytes, bmpOf(3));
        folderPath = temp.path() + '/' + Shashin;
    }

    void TearDown() override
    {
        WindowsTest::TearDown();
        removeRaw(QFile::encodeName(temp.path()));
    }

    QString folderPath;
};

TEST_F(ShiftJisNames, AreListedLoadedClickedOpenedAndNamedOnTheCommandLine)
{
    // Entered from the folder list, as a click on its entry does.
    ASSERT_TRUE(form->Dir1.openFolder(temp.path()));
    auto* folders = static_cast<QAbstractItemView*>(form->Dir1.widget());
    const QModelIndexList entered
        = folders->model()->match(folders->model()->index(0, 0), Qt::DisplayRole, Shashin, 1, Qt::MatchExactly);
    ASSERT_EQ(entered.size(), 1);
    emit folders->activated(entered.first());
    ASSERT_EQ(form->Text1.Text(), folderPath + '/');

    auto* files = static_cast<QAbstractItemView*>(form->File1.widget());
    QStringList shown;
    for (int i = 0; i < files->model()->rowCount(); ++i)
        shown << files->model()->index(i, 0).data().toString();
    const struct {
        const char* what;
        QString name;
        int width;
    } rows[] = { { "ordinary", "a.bmp", 1 }, { "Shift-JIS", Camera, 2 }, { "no character", Nothing, 3 } };
    ASSERT_EQ(shown.size(), std::size(rows));
    form->mnuCget->trigger();
    ASSERT_EQ(form->List1.ListCount(), 3);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const int entry = static_cast<int>(shown.indexOf(row.name));
        ASSERT_GE(entry, 0) << "listed";
        // Chosen in the file list: the preview.
        form->File1.setListIndex(entry);
        EXPECT_EQ(form->Image1[0].Picture().pixelWidth(), row.width);
        // 開く on the name chosen.
        form->Command1_Click();
        EXPECT_EQ(Window<frmPicture>().Instance()->Image1.Picture().pixelWidth(), row.width) << "開く";
        unload<frmPicture>();
        // Its cell, which names it, and a click on it.
        ImageControl& cell = form->Image2[entry];
        EXPECT_EQ(cell.Picture().pixelWidth(), row.width);
        EXPECT_EQ(cell.widget()->toolTip(), row.name);
        form->Image2_Click(entry);
        EXPECT_EQ(Window<frmPicture>().Instance()->Image1.Picture().pixelWidth(), row.width) << "click";
        unload<frmPicture>();
    }

    // Named on the command line by its bytes.
    unload<frmBmpGet>();
    form = &Window<frmBmpGet>().Show();
    QByteArray named = QFile::encodeName(temp.path()) + '/' + ShashinSjis + '/' + CameraSjis;
    char* argv[] = { const_cast<char*>("tessaline"), named.data() };
    const std::optional<QString> name = namedOnCommandLine(files::commandLineArguments(2, argv));
    ASSERT_TRUE(name.has_value());
    QString why;
    openNamed(*form, *name, [&why](const QString& said) { why = said; });
    EXPECT_EQ(why, QString());
    EXPECT_EQ(form->Text1.Text(), folderPath + '/');
    EXPECT_EQ(form->Text2.Text(), Camera);
    EXPECT_EQ(form->Image1[0].Picture().pixelWidth(), 2);

    // Dropped from a file manager, which lists it by its bytes percent-encoded.
    form->Text2.setText({});
    QMimeData dropped;
    dropped.setData(QStringLiteral("text/uri-list"), "file://" + named.toPercentEncoding("/") + "\r\n");
    const QPoint at = form->client()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form, &enter);
    QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QCoreApplication::sendEvent(form, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Text2.Text(), Camera) << "dropped";
}

} // namespace

#endif
