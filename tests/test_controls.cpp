#include "platform/controls/controls.h"
#include "support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <array>

using namespace tl;
using namespace tl::test;

namespace {

TEST(ImageControlTest, TakesNaturalSizeUnlessStretched)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const StdPicture picture(image);

    ImageControl natural;
    natural.Move(100, 100, 1500, 1500);
    natural.setPicture(picture);
    EXPECT_EQ(QRect(natural.Left(), natural.Top(), natural.Width(), natural.Height()), QRect(100, 100, 600, 450));
    natural.setPicture({});
    EXPECT_EQ(natural.Width(), 600) << "the empty picture leaves the size as it was";
    // 150 million rows are more twips than an int holds: shown as the empty picture, size kept.
    natural.setPicture(StdPicture(QImage(1, 150000000, QImage::Format_Mono)));
    EXPECT_TRUE(natural.Picture().isEmpty());
    EXPECT_EQ(natural.Height(), 450);

    ImageControl stretched;
    stretched.setStretch(true);
    stretched.Move(0, 0, 1572, 1212);
    stretched.setPicture(picture);
    EXPECT_EQ(stretched.Width(), 1572);
    EXPECT_TRUE(stretched.Picture().sameObject(picture)) << "the same object, not a copy";
}

TEST(ImageControlTest, AStretchedCellScalesItsPictureOnce)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const StdPicture picture(image);
    ImageControl cell;
    cell.setStretch(true);
    cell.Move(0, 0, 1572, 1212);
    cell.setPicture(picture);
    const QImage first = cell.widget()->grab().toImage();
    const qint64 key = picture.scaledCopy(QSize(105, 81)).cacheKey();
    cell.widget()->grab();
    EXPECT_EQ(picture.scaledCopy(QSize(105, 81)).cacheKey(), key) << "repaints reuse the scaled copy";
    EXPECT_EQ(first.pixelColor(50, 40), QColor(Qt::darkGreen));
}

TEST(ListBoxTest, ReadsPastTheEndAsEmpty)
{
    ListBox list;
    list.AddItem(QStringLiteral("a"));
    list.AddItem(QStringLiteral("b"));
    EXPECT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.List(1), QStringLiteral("b"));
    EXPECT_TRUE(list.List(2).isEmpty());
    EXPECT_TRUE(list.List(-1).isEmpty());
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
}

TEST(FileListTest, ListsPicturesNaturallyAndRaisesClickOnChoice)
{
    QTemporaryDir temp;
    QDir dir(temp.path());
    for (const char* name : { "img10.JPG", "img2.bmp", "notes.txt", "img1.gif", ".hidden.jpg", "icon.ICO" })
        writeBytes(dir, QLatin1String(name), "x");
    FileList list;
    list.setPattern(QStringLiteral("*.gif;*.jpg;*.bmp;*.ico"));
    list.setPath(temp.path());
    QStringList names;
    for (int i = 0; i < list.ListCount(); ++i)
        names << list.List(i);
    EXPECT_EQ(names, (QStringList { "icon.ICO", "img1.gif", "img2.bmp", "img10.JPG" }));
    EXPECT_EQ(list.ListIndex(), -1);
    int clicks = 0;
    list.Click = [&] { ++clicks; };
    list.setListIndex(2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.ListIndex(), 2);
    list.setPath(temp.path());
    EXPECT_EQ(list.ListIndex(), -1) << "a new listing chooses nothing";
}

// A key a list's widget takes while the list is being destroyed (here in answer to the focus it
// loses) must reach no KeyDown: by then the list's handlers are gone.
TEST(FileListTest, AKeyTakenWhileTheListIsDestroyedReachesNoHandler)
{
    struct KeyOnFocusOut : QObject {
        bool dying = false;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (dying && event->type() == QEvent::FocusOut) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
                QCoreApplication::sendEvent(watched, &key);
            }
            return false;
        }
    };
    for (const bool folders : { false, true }) {
        SCOPED_TRACE(folders ? "folder list" : "file list");
        std::unique_ptr<Control> list;
        int keys = 0;
        // Large enough that the handler's captures live on the heap, where a use after free shows.
        const std::array<int, 16> captured {};
        const auto keyDown = [&keys, captured](int) { keys += 1 + captured[0]; };
        if (folders)
            static_cast<FolderList&>(*(list = std::make_unique<FolderList>())).KeyDown = keyDown;
        else
            static_cast<FileList&>(*(list = std::make_unique<FileList>())).KeyDown = keyDown;
        KeyOnFocusOut watcher;
        QWidget* widget = list->widget();
        widget->installEventFilter(&watcher);
        widget->show();
        QApplication::setActiveWindow(widget);
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_F5);
        ASSERT_EQ(keys, 1);
        watcher.dying = true;
        list.reset();
        EXPECT_EQ(keys, 1);
    }
}

} // namespace
