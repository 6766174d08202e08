#include "platform/controls.h"
#include "support.h"

#include <QScrollBar>

using namespace tl;
using namespace tl::test;

namespace {

TEST(ScrollBarControl, KeepsValueBetweenItsBoundsAndRaisesChangeOnlyWhenItMoves)
{
    struct Row {
        const char* what;
        int min, max, valueBefore, setMax, valueAfter, changes;
    };
    const Row rows[] = {
        { "a lower Max pulls Value back", 0, 5000, 3000, 1000, 1000, 1 },
        { "a higher Max keeps Value", 0, 1000, 1000, 5000, 1000, 0 },
        { "a negative Max pulls Value to Min", 0, 1000, 400, -200, 0, 1 },
        { "Max below Min keeps Value between them", 100, 100, 100, -300, 100, 0 },
    };
    for (const Row& row : rows) {
        ScrollBar bar(Qt::Horizontal);
        bar.setMin(static_cast<Integer>(row.min));
        bar.setMax(static_cast<Integer>(row.max));
        bar.setValue(static_cast<Integer>(row.valueBefore));
        int changes = 0;
        bar.Change = [&] { ++changes; };
        bar.setMax(static_cast<Integer>(row.setMax));
        EXPECT_EQ(bar.Value(), row.valueAfter) << row.what;
        EXPECT_EQ(bar.Max(), row.setMax) << row.what;
        EXPECT_EQ(bar.Min(), row.min) << row.what << ": Min stays what was set";
        EXPECT_EQ(changes, row.changes) << row.what;
    }
}

TEST(ScrollBarControl, ChangeRunsBeforeTheSetterReturns)
{
    ScrollBar bar(Qt::Vertical);
    bar.setMax(2400);
    std::vector<int> seen;
    bar.Change = [&] { seen.push_back(bar.Value()); };
    bar.setValue(1200);
    EXPECT_EQ(seen, std::vector<int> { 1200 });
    bar.setValue(1200);
    EXPECT_EQ(seen.size(), 1u) << "the same value raises nothing";
    bar.setValue(30000);
    EXPECT_EQ(bar.Value(), 2400);
    static_cast<QScrollBar*>(bar.widget())->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(seen.back(), 2400 - bar.SmallChange());
}

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

TEST(PictureLoading, EmptyPathIsTheEmptyPictureAndFailuresSayWhy)
{
    QTemporaryDir temp;
    QDir dir(temp.path());
    EXPECT_TRUE(LoadPicture({}).isEmpty());
    EXPECT_THROW(LoadPicture(dir.filePath("missing.bmp")), PictureError);
    EXPECT_THROW(LoadPicture(temp.path()), PictureError) << "a folder is not a picture";
    writeBytes(dir, "png-with-jpeg-extension.jpg", QByteArray());
    QImage png(5, 4, QImage::Format_RGB32);
    png.fill(Qt::white);
    png.save(dir.filePath("png-with-jpeg-extension.jpg"), "PNG");
    EXPECT_EQ(LoadPicture(dir.filePath("png-with-jpeg-extension.jpg")).pixelWidth(), 5) << "decided by content";
    EXPECT_EQ(LoadPicture(writeBytes(dir, "tiny.gif", tinyGif())).pixelHeight(), 1);
}

TEST(PictureLoading, PhotosBeyondQtsDefaultLimitStillLoad)
{
    // 8200 x 8200 decodes to 269 MB, past Qt's default 256 MB allocation limit.
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath("panorama.jpg");
    {
        QImage big(8200, 8200, QImage::Format_RGB32);
        big.fill(Qt::darkYellow);
        ASSERT_TRUE(big.save(path, "JPG", 30));
    }
    EXPECT_EQ(LoadPicture(path).pixelWidth(), 8200);
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

} // namespace
