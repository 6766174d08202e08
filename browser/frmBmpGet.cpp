#include "browser/frmBmpGet.h"

#include "browser/layout.h"
#include "browser/paging.h"
#include "forms/messages.h"
#include "help/frmHelp.h"
#include "platform/busycursor.h"
#include "platform/files/paths.h"
#include "platform/logging.h"
#include "platform/services.h"
#include "viewer/frmPicture.h"

#include <QCoreApplication>
#include <QWheelEvent>
#include <algorithm>
#include <exception>

namespace tl {

namespace {
    const QString Loading = QStringLiteral("ただいま画像の読み込み中です");
    const QString NoPictures = QStringLiteral("ここには画像がありません。");
    const QString AllShown = QStringLiteral("表示完了");
    const QString MoreToScroll = QStringLiteral("表示ＯＫ");
    const QString Reloading = QStringLiteral("画像の読み込み中です");
    const QString ReadingFolder = QStringLiteral("フォルダーを読み込み中です");
    const QString ReadingDrives = QStringLiteral("ドライブを読み込み中です");
    const QString BlankGif = QStringLiteral(":/assets/blank.gif");
    const QString PreviewPictures[layout::PreviewCount] = {
        QStringLiteral(":/assets/preview0.jpg"),
        QStringLiteral(":/assets/preview1.bmp"),
        QStringLiteral(":/assets/preview2.bmp"),
        QStringLiteral(":/assets/preview3.bmp"),
        QStringLiteral(":/assets/preview4.bmp"),
        QStringLiteral(":/assets/preview5.bmp"),
    };

    // A cell names the file it shows, or the file it could not show and why.
    QString cellToolTip(const StdPicture& picture)
    {
        switch (picture.failure()) {
        case PictureFailure::None:
            return picture.fileName();
        case PictureFailure::Unreadable:
            return picture.fileName() + QStringLiteral("：読み込めません");
        case PictureFailure::NotAPicture:
            return picture.fileName() + QStringLiteral("：画像ではありません");
        case PictureFailure::TooLarge:
            return picture.fileName() + QStringLiteral("：大きすぎて表示できません");
        }
        return {};
    }
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

    VScroll1.setSmallChange(layout::RowPitch);
    VScroll1.setLargeChange(layout::RowPitch);

    Drive1.Change = [this] { Drive1_Change(); };
    Dir1.Error = [this](const DeviceError& error) { Dir1_Error(error); };
    Dir1.Change = [this] { Dir1_Change(); };
    for (Event* readingChange : { &Dir1.ReadingChange, &File1.ReadingChange, &Drive1.ReadingChange })
        *readingChange = [this] { Lists_ReadingChange(); };
    Dir1.KeyDown = [this](int KeyCode) { Dir1_KeyDown(KeyCode); };
    File1.Click = [this] { File1_Click(); };
    File1.KeyDown = [this](int KeyCode) { File1_KeyDown(KeyCode); };
    VScroll1.Change = [this] { VScroll1_Change(); };
    Picture1.MouseWheel = [this](const WheelTurn& turn) { Picture1_MouseWheel(turn); };
    Command1.Click = [this] { Command1_Click(); };
    for (int k = 0; k < layout::CellCount; ++k)
        Image2[k].Click = [this, k] { Image2_Click(k); };
    for (int i = 0; i < layout::PreviewCount; ++i)
        Image1[i].Click = [this, i] { Image1_Click(i); };

    // The rows around a page are decoded once the program is idle again, never inside a handler.
    prefetchTimer_.setSingleShot(true);
    connect(&prefetchTimer_, &QTimer::timeout, this, [this] { prefetchNeighbours(); });

    // The lists read the current folder side by side, off the window's thread; the window waits
    // for them once.
    const ReadingDeadline together;
    File1.setPattern(QStringLiteral("*.") + PictureEndings.join(QStringLiteral(";*.")));
    Dir1.waitForReading();
    Drive1.waitForReading();
}

void frmBmpGet::buildLayout()
{
    using namespace layout;
    QWidget* area = client();
    area->setFixedSize(toPixels(ClientWidth), toPixels(ClientHeight));
    setInnerSize(ClientWidth, ClientHeight);
    setFixedSize(size());
    setInnerPosition(ClientLeft, ClientTop);

    // The rows stand in tab order.
    layOut({
        { SB, 0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight }, // docked at the bottom
        { Label3, 240, 120, 1452, 252 },
        { Dir1, 120, 720, 1572, 2520 },
        { Drive1, 120, 360, 1572, 276 },
        { File1, 120, 3240, 1572, 2610 },
        { Text1, 4200, 5160, 2892, 372 },
        { Text2, 4200, 5640, 2892, 264 },
        { Picture1, 1800, 0, 9492, 4932 },
        { VScroll1, 11400, 0, 252, 4932 },
        { Label1, 2880, 5280, 1332, 252 },
        { List1, 8040, 5040, 2532, 780 },
        { Label2, 2880, 5640, 1212, 252 },
        { Command1, 7200, 5520, 612, 375 },
    });
    List1.setVisible(false);
    Label1.setBuddy(Text1);
    Label2.setBuddy(Text2);
    Picture1.setPicture(loadPictureOrEmpty(BlankGif));

    for (int k = 0; k < CellCount; ++k) {
        const int row = k / GridColumns;
        const int column = k % GridColumns;
        Image2[k].attach(Picture1.inner());
        Image2[k].setStretch(true);
        Image2[k].toolTipOf = cellToolTip;
        Image2[k].Move(ColumnPitch * column, RowPitch * row, CellWidth, CellHeight);
    }
    for (int k : BlankCells)
        Image2[k].setPicture(Picture1.Picture());

    for (int i = 0; i < PreviewCount; ++i) {
        Image1[i].attach(area);
        Image1[i].setStretch(true);
        Image1[i].Move(PreviewLeft, PreviewTop, PreviewWidth, PreviewHeight);
        Image1[i].setPicture(loadPictureOrEmpty(PreviewPictures[i]));
    }

    // The text boxes take their names from their labels, and each grid cell says the file of the
    // picture it shows.
    nameForScreenReaders({
        { Drive1, QStringLiteral("ドライブ") },
        { Dir1, QStringLiteral("フォルダー") },
        { File1, QStringLiteral("ファイル") },
        { Picture1, QStringLiteral("画像一覧") },
        { VScroll1, QStringLiteral("画像一覧のスクロール") },
        { List1, QStringLiteral("画像のパス") },
    });
    for (ImageControl& preview : Image1)
        nameForScreenReaders({ { preview, QStringLiteral("プレビュー") } });
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
        Dir1_Error(error);
    } catch (const std::exception& error) {
        qCWarning(lcBrowser) << "cannot open the drive" << Drive1.Drive() << ":" << error.what();
        MsgBox(messages::Unexpected);
        endProgram(EndedByError);
    }
}

// The folder list could not go to the chosen drive, at once or once read: a drive without a readable
// disk is asked for, and the lists stay where they were; anything else ends the program.
void frmBmpGet::Dir1_Error(const DeviceError& error)
{
    if (error.number == DeviceError::DeviceUnavailable || error.number == DeviceError::DiskMediaError) {
        MsgBox(messages::SetDisk);
        return;
    }
    qCWarning(lcBrowser) << "cannot open the drive" << Drive1.Drive() << ":"
                         << (error.number == DeviceError::PathNotFound ? "not found:" : "no access to") << error.what();
    MsgBox(messages::Unexpected);
    endProgram(EndedByError);
}

void frmBmpGet::Dir1_Change()
{
    File1.setPath(Dir1.Path());
    Text1.setText(withSeparator(Dir1.Path()));
    Drive1.showDrive(Dir1.Drive());
}

// F5 in the folder list or the file list reads the folder afresh in both.
void frmBmpGet::Dir1_KeyDown(int KeyCode)
{
    if (KeyCode == Qt::Key_F5) {
        const ReadingDeadline together;
        Dir1.Refresh();
        File1.Refresh();
    }
}

void frmBmpGet::File1_KeyDown(int KeyCode) { Dir1_KeyDown(KeyCode); }

void frmBmpGet::File1_Click()
{
    Text2.setText(File1.List(File1.ListIndex()));
    PicturePath = Text1.Text() + Text2.Text();
    // Decoded off the window's thread and waited for a bounded time; a later choice wins.
    preview_.show(
        thumbnails.run([path = PicturePath, size = Image1[0].devicePixels()](
                           const std::atomic<bool>* cancelled) { return readCellPicture(path, size, cancelled); }),
        [this](const StdPicture& picture) { Image1[0].setPicture(picture); }, [this] { Image1[0].setPicture({}); });
}

// The preview stack shows its next member; the pictures stay where they are.
void frmBmpGet::Image1_Click(int)
{
    for (int i = 0; i < layout::PreviewCount; ++i) {
        if (Image1[i].Visible()) {
            Image1[i].setVisible(false);
            Image1[(i + 1) % layout::PreviewCount].setVisible(true);
            return;
        }
    }
}

void frmBmpGet::mnuCget_Click()
{
    // A folder still being read is loaded once it is, as the status bar says meanwhile.
    if (Dir1.Reading() || File1.Reading()) {
        SB.setSimpleText(ReadingFolder);
        if (!std::exchange(loadWaiting_, true))
            whenListsRead([this] {
                loadWaiting_ = false;
                mnuCget_Click();
            });
        return;
    }
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
    ++page_;
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
        VScroll1.setMax(static_cast<Int16>(paging::scrollMax(count)));
    }
    VScroll1.setSmallChange(static_cast<Int16>(paging::rowUnit(count)));
    VScroll1.setLargeChange(static_cast<Int16>(paging::rowUnit(count)));

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

// A notch of the wheel over the grid steps it a row, as the bar's arrows do: towards the end of the
// list when the wheel is turned towards the user. A touchpad turns by less than a notch: its turns
// add up to notches, and a turn back takes off what was turned.
void frmBmpGet::Picture1_MouseWheel(const WheelTurn& turn)
{
    constexpr int Notch = QWheelEvent::DefaultDeltasPerStep;
    wheelEighths_ += qRound(turn.notches.y() * Notch);
    const int notches = wheelEighths_ / Notch;
    wheelEighths_ %= Notch;
    if (notches)
        VScroll1.stepBy(-notches);
}

// The cell's own picture goes to the picture window, with its full image decoded from the bytes
// the cell kept.
void frmBmpGet::Image2_Click(int Index)
{
    frmPicture& window = Window<frmPicture>().Show();
    const StdPicture cell = Image2[Index].Picture();
    showInPictureWindow(window,
        thumbnails.run([cell](const std::atomic<bool>* cancelled) { return cell.readFullImage(cancelled); }),
        [cell](frmPicture& shown, const StdPicture& full) { shown.showPicture(cell, full.image()); });
}

// Opens the file the two texts name. Nothing here is reported: a file that cannot be loaded
// leaves the window's previous picture in place, with its ranges.
void frmBmpGet::Command1_Click()
{
    frmPicture& window = Window<frmPicture>().Show();
    PicturePath = Text1.Text() + Text2.Text();
    if (PicturePath.isEmpty()) {
        window.showPicture({});
        return;
    }
    // Unreadable, not a picture, or too large to hold in memory: the job gives the empty picture.
    showInPictureWindow(window, thumbnails.run([path = PicturePath](const std::atomic<bool>* cancelled) {
        return readPicture(path, cancelled);
    }),
        [](frmPicture& shown, const StdPicture& loaded) {
            if (!loaded.isEmpty())
                shown.showPicture(loaded);
        });
}

// Puts in the picture window what `job` makes, through `putIn`. A picture not made within
// the wait shows the window with the empty picture meanwhile; it is put in when it is made, unless
// the window was closed or a newer picture was asked for.
void frmBmpGet::showInPictureWindow(frmPicture& window, std::shared_ptr<PictureJob> job, PutInWindow putIn)
{
    const QPointer<frmPicture> shown(&window);
    windowPicture_.show(
        std::move(job), [shown, putIn](const StdPicture& picture) { putIn(*shown, picture); },
        [shown] { shown->showPicture({}); }, [shown] { return shown && !shown->isUnloaded(); });
}

// Modeless and without an owner: the main window stays usable beside the help window.
void frmBmpGet::mnuHelp_Click() { Window<frmHelp>().Show(); }

void frmBmpGet::mnuEnd_Click() { endProgram(EndedByUser); }

// While a list is read late the status bar says so; once all are read it says again what it said
// before, unless something else was said meanwhile, and what waited for the lists runs.
void frmBmpGet::Lists_ReadingChange()
{
    const bool folders = Dir1.Reading() || File1.Reading();
    if (folders || Drive1.Reading()) {
        if (SB.SimpleText() != ReadingFolder && SB.SimpleText() != ReadingDrives)
            statusBeforeReading_ = SB.SimpleText();
        SB.setSimpleText(folders ? ReadingFolder : ReadingDrives);
    } else if (SB.SimpleText() == ReadingFolder || SB.SimpleText() == ReadingDrives) {
        SB.setSimpleText(statusBeforeReading_);
    }
    if (!folders) {
        for (const std::function<void()>& then : std::exchange(afterReading_, {}))
            then();
    }
}

void frmBmpGet::whenListsRead(std::function<void()> then)
{
    if (Dir1.Reading() || File1.Reading())
        afterReading_.push_back(std::move(then));
    else
        then();
}

} // namespace tl
