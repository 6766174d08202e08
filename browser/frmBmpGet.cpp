#include "browser/frmBmpGet.h"

#include "browser/layout.h"
#include "browser/paging.h"
#include "browser/statustexts.h"
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
    setAcceptDrops(true);

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
    Picture1.KeyDown = [this](int& KeyCode, Qt::KeyboardModifiers Shift) { Picture1_KeyDown(KeyCode, Shift); };
    Picture1.GotFocus = [this] { Picture1_GotFocus(); };
    Picture1.LostFocus = [this] { showFocusRing(); };
    Command1.Click = [this] { Command1_Click(); };
    for (int k = 0; k < layout::CellCount; ++k)
        Image2[k].Click = [this, k] {
            if (pageFirst_ + k < List1.ListCount())
                focusEntry(pageFirst_ + k);
            Image2_Click(k);
        };
    for (int i = 0; i < layout::PreviewCount; ++i)
        Image1[i].Click = [this, i] { Image1_Click(i); };

    // The rows around a page are decoded once the program is idle again, never inside a handler.
    prefetchTimer_.setSingleShot(true);
    connect(&prefetchTimer_, &QTimer::timeout, this, [this] { prefetchNeighbours(); });
    roomCheck_.setInterval(50);
    connect(&roomCheck_, &QTimer::timeout, this, [this] { makeRoom(); });

    // The lists read the current folder side by side, off the window's thread; the window waits
    // for them once.
    const ReadingDeadline together;
    File1.setPattern(QStringLiteral("*.") + PictureEndings.join(QStringLiteral(";*.")));
    Dir1.waitForReading();
    Drive1.waitForReading();
}

void frmBmpGet::Form_Load()
{
    VScroll1.setMin(0);
    VScroll1.setMax(0);
    for (int i = 1; i < layout::PreviewCount; ++i)
        Image1[i].setVisible(false);
}

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
        SB.setSimpleText(status::ReadingFolder);
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
    forgetSteps();
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
        focusEntry(-1);
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
    focusEntry(0);
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
    showFocusRing();
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

// Modeless and without an owner: the main window stays usable beside the help window.
void frmBmpGet::mnuHelp_Click() { Window<frmHelp>().Show(); }

void frmBmpGet::mnuEnd_Click() { endProgram(EndedByUser); }

} // namespace tl
