#include "browser/frmBmpGet.h"

#include "app/messages.h"
#include "browser/layout.h"
#include "browser/pagedecoder.h"
#include "browser/paging.h"
#include "platform/busycursor.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <algorithm>

namespace tl {

namespace {
    const QString Loading = QStringLiteral("ただいま画像の読み込み中です");
    const QString NoPictures = QStringLiteral("ここには画像がありません。");
    const QString AllShown = QStringLiteral("表示完了");
    const QString MoreToScroll = QStringLiteral("表示ＯＫ");
    const QString Reloading = QStringLiteral("画像の読み込み中です");
    const QString BlankGif = QStringLiteral(":/assets/blank.gif");
    const QString PreviewPictures[layout::PreviewCount] = {
        QStringLiteral(":/assets/preview0.jpg"),
        QStringLiteral(":/assets/preview1.bmp"),
        QStringLiteral(":/assets/preview2.bmp"),
        QStringLiteral(":/assets/preview3.bmp"),
        QStringLiteral(":/assets/preview4.bmp"),
        QStringLiteral(":/assets/preview5.bmp"),
    };
} // namespace

frmBmpGet::frmBmpGet()
{
    setWindowTitle(QStringLiteral("HTMLファイルを解析し，画像ファイルの取得"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/app.ico")));
    // A fixed single border: no maximise box, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    mnuCget = addMenuCommand(QStringLiteral("画像読み込み"), [this] { mnuCget_Click(); });
    mnuEnd = addMenuCommand(QStringLiteral("終わる"), [this] { mnuEnd_Click(); });
    mnuHelp = addMenuCommand(QStringLiteral("HELP"), [this] { mnuHelp_Click(); });

    buildLayout();

    File1.setPattern(QStringLiteral("*.gif;*.jpg;*.bmp;*.ico"));
    VScroll1.setSmallChange(layout::RowPitch);
    VScroll1.setLargeChange(layout::RowPitch);

    Drive1.Change = [this] { Drive1_Change(); };
    Dir1.Change = [this] { Dir1_Change(); };
    Dir1.KeyDown = [this](int KeyCode) { Dir1_KeyDown(KeyCode); };
    File1.Click = [this] { File1_Click(); };
    File1.KeyDown = [this](int KeyCode) { File1_KeyDown(KeyCode); };
    VScroll1.Change = [this] { VScroll1_Change(); };
    Command1.Click = [this] { Command1_Click(); };
    for (int k = 0; k < layout::CellCount; ++k)
        Image2[k].Click = [this, k] { Image2_Click(k); };
    for (int i = 0; i < layout::PreviewCount; ++i)
        Image1[i].Click = [this, i] { Image1_Click(i); };

    // The rows around a page are decoded once the program is idle again, never inside a handler.
    prefetchTimer_.setSingleShot(true);
    connect(&prefetchTimer_, &QTimer::timeout, this, [this] { prefetchNeighbours(); });
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        thumbnails.cancelPrefetch();
        thumbnails.waitForPrefetch();
    });
}

Control* frmBmpGet::controlNamed(const QString& name)
{
    Control* const controls[] = { &SB, &Label3, &Dir1, &Drive1, &File1, &Text1, &Text2, &Picture1, &VScroll1, &Label1,
        &List1, &Label2, &Command1 };
    for (std::size_t i = 0; i < std::size(controls); ++i)
        if (name == QLatin1String(layout::MainWindow[i].name))
            return controls[i];
    return nullptr;
}

void frmBmpGet::buildLayout()
{
    QWidget* area = client();
    area->setFixedSize(toPixels(layout::ClientWidth), toPixels(layout::ClientHeight));
    setInnerSize(layout::ClientWidth, layout::ClientHeight);
    setFixedSize(size());
    setInnerPosition(layout::ClientLeft, layout::ClientTop);

    QWidget* previous = nullptr;
    for (const layout::Row& row : layout::MainWindow) {
        Control* control = controlNamed(QLatin1String(row.name));
        control->attach(area);
        control->Move(row.left, row.top, row.width, row.height);
        QWidget* w = control->widget();
        if (w->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
    List1.setVisible(false);
    Label1.setBuddy(Text1);
    Label2.setBuddy(Text2);
    Picture1.setPicture(LoadPictureOrEmpty(BlankGif));

    for (int k = 0; k < layout::CellCount; ++k) {
        const int row = k / layout::GridColumns;
        const int column = k % layout::GridColumns;
        Image2[k].attach(Picture1.inner());
        Image2[k].setStretch(true);
        Image2[k].Move(layout::ColumnPitch * column, layout::RowPitch * row, layout::CellWidth, layout::CellHeight);
    }
    for (int k : layout::BlankCells)
        Image2[k].setPicture(Picture1.Picture());

    for (int i = 0; i < layout::PreviewCount; ++i) {
        Image1[i].attach(area);
        Image1[i].setStretch(true);
        Image1[i].Move(layout::Preview.left, layout::Preview.top, layout::Preview.width, layout::Preview.height);
        Image1[i].setPicture(LoadPictureOrEmpty(PreviewPictures[i]));
    }
    Dir1.widget()->setFocus();
}

void frmBmpGet::Form_Load()
{
    VScroll1.setMin(0);
    VScroll1.setMax(0);
    for (int i = 1; i < layout::PreviewCount; ++i)
        Image1[i].setVisible(false);
}

void frmBmpGet::Drive1_Change()
{
    try {
        Dir1.setPath(Drive1.Drive());
    } catch (const DeviceError& error) {
        if (error.number == DeviceError::DeviceUnavailable || error.number == DeviceError::DiskMediaError) {
            MsgBox(messages::SetDisk);
            return;
        }
        MsgBox(messages::Unexpected);
        EndProgram(EndedByError);
    } catch (const std::exception&) {
        MsgBox(messages::Unexpected);
        EndProgram(EndedByError);
    }
}

void frmBmpGet::Dir1_Change()
{
    File1.setPath(Dir1.Path());
    if (!Dir1.Path().endsWith(separator()))
        Text1.setText(Dir1.Path() + separator());
    else
        Text1.setText(Dir1.Path());
    Drive1.showDrive(Dir1.Drive());
}

// F5 in the folder list or the file list reads the folder afresh in both.
void frmBmpGet::Dir1_KeyDown(int KeyCode)
{
    if (KeyCode == Qt::Key_F5) {
        Dir1.Refresh();
        File1.Refresh();
    }
}

void frmBmpGet::File1_KeyDown(int KeyCode) { Dir1_KeyDown(KeyCode); }

void frmBmpGet::File1_Click()
{
    Text2.setText(File1.List(File1.ListIndex()));
    PicturePath = Text1.Text() + Text2.Text();
    Image1[0].setPicture(LoadCellPicture(PicturePath, Image1[0].devicePixels()));
}

void frmBmpGet::mnuCget_Click()
{
    if (Text1.Text().isEmpty()) {
        MsgBox(messages::NoFolder);
        return;
    }
    const BusyCursor busy;
    thumbnails.cancelPrefetch();
    // Back to the top first: when the grid was scrolled this pages the previous list once.
    VScroll1.setValue(0);
    List1.Clear();
    for (ImageControl& cell : Image2)
        cell.setPicture({});
    SB.setSimpleText(Loading);

    PictureCount = 0;
    const int names = File1.ListCount();
    for (int i = 0; i < names; ++i) {
        const QString name = File1.List(i);
        if (paging::isPictureName(name)) {
            PicturePath = Text1.Text() + name;
            List1.AddItem(PicturePath);
            ++PictureCount;
        }
    }
    if (PictureCount == 0) {
        SB.setSimpleText(NoPictures);
        return;
    }
    SB.setSimpleText(Loading);

    const int count = List1.ListCount();
    if (count < layout::CellCount) {
        VScroll1.setMax(0);
    } else {
        ScrollRows = paging::scrollRows(count);
        VScroll1.setMax(static_cast<Integer>(paging::scrollMax(count)));
    }
    VScroll1.setSmallChange(static_cast<Integer>(paging::rowUnit(count)));
    VScroll1.setLargeChange(static_cast<Integer>(paging::rowUnit(count)));

    loadPage(0, std::min(count, layout::CellCount));
    SB.setSimpleText(count > layout::CellCount ? MoreToScroll : AllShown);
}

// The grid pages by whole rows: every cell is reloaded from the entry the position gives on.
void frmBmpGet::VScroll1_Change()
{
    const BusyCursor busy;
    SB.setSimpleText(Reloading);
    for (ImageControl& cell : Image2)
        cell.setPicture({});
    loadPage(paging::firstEntry(VScroll1.Value(), List1.ListCount()), layout::CellCount);
    SB.setSimpleText(MoreToScroll);
}

// Fills the first `cells` cells from list entry `first` on; entries past the end of the list leave
// their cells blank. Pictures of unchanged files are reused, a prefetch of one of them is taken over,
// the rest of the prefetch stops, and what is new is decoded on all cores. Cells and PicturePath
// are set in order.
void frmBmpGet::loadPage(int first, int cells)
{
    QStringList paths;
    for (int k = 0; k < cells; ++k)
        paths << List1.List(first + k);
    PageDecoder page(paths, cellSize(), thumbnails);
    thumbnails.cancelPrefetch();
    for (int k = 0; k < cells; ++k) {
        PicturePath = paths.at(k);
        Image2[k].setPicture(page.take(k));
    }
    pageFirst_ = first;
    prefetchTimer_.start(0);
}

// The row below the page and the row above it, which a step of the scroll bar shows next.
void frmBmpGet::prefetchNeighbours()
{
    QStringList paths;
    for (int e = pageFirst_ + layout::CellCount; e < pageFirst_ + layout::CellCount + layout::GridColumns; ++e)
        paths << List1.List(e);
    for (int e = std::max(0, pageFirst_ - layout::GridColumns); e < pageFirst_; ++e)
        paths << List1.List(e);
    thumbnails.prefetch(paths, cellSize());
}

// A cell's picture is made for the device pixels it covers.
QSize frmBmpGet::cellSize() const { return Image2[0].devicePixels(); }

void frmBmpGet::mnuEnd_Click() { EndProgram(EndedByUser); }

} // namespace tl
