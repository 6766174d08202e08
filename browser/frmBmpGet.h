#pragma once

#include "browser/latepictures.h"
#include "browser/thumbnailloader.h"
#include "forms/form.h"
#include "platform/controls/controls.h"

#include <QTimer>

#include <array>
#include <functional>
#include <vector>

class QDragEnterEvent;
class QDropEvent;

namespace tl {

class frmPicture;
class BudgetHold;
using HoldSlot = std::shared_ptr<std::unique_ptr<BudgetHold>>;

// A cell names the file it shows, or the file it could not show and why.
QString cellToolTip(const StdPicture& picture);

// The main window: folder navigation and the thumbnail grid.
class frmBmpGet : public Form {
public:
    frmBmpGet();

    // Controls, named as in the layout.
    StatusBar SB;
    Label Label3 { QStringLiteral("Picture Files") };
    FolderList Dir1;
    DriveList Drive1;
    FileList File1;
    TextBox Text1;
    TextBox Text2;
    PictureBox Picture1;
    ScrollBar VScroll1 { Qt::Vertical };
    Label Label1 { QStringLiteral("参照デイレクトリ") };
    ListBox List1;
    Label Label2 { QStringLiteral("ファイル名") };
    CommandButton Command1 { QStringLiteral("開く") };
    std::array<ImageControl, 24> Image2;
    std::array<ImageControl, 6> Image1;
    QAction* mnuCget;
    QAction* mnuEnd;
    QAction* mnuHelp;

    // Window state.
    QString PicturePath;
    // Counts are plain ints: a folder may hold more than 32767 pictures.
    int PictureCount = 0;
    int ScrollRows = 0;
    // The pictures of the cells, kept and prefetched.
    ThumbnailLoader thumbnails;

    // Handlers, in the order a user meets them.
    void Form_Load() override;
    void Drive1_Change();
    void Dir1_Error(const DeviceError& error);
    void Dir1_Change();
    void Dir1_KeyDown(int KeyCode);
    void File1_KeyDown(int KeyCode);
    void File1_Click();
    void Image1_Click(int Index);
    void mnuCget_Click();
    void VScroll1_Change();
    void Picture1_MouseWheel(const WheelTurn& turn);
    void Picture1_KeyDown(int& KeyCode, Qt::KeyboardModifiers Shift);
    void Picture1_GotFocus();
    void Image2_Click(int Index);
    void Command1_Click();
    void mnuHelp_Click();
    void mnuEnd_Click();
    void Lists_ReadingChange();

    // Runs `then` once the folder and file lists are read: at once when they are.
    void whenListsRead(std::function<void()> then);

    // The grid's keyboard focus: the entry of List1 whose cell shows the focus ring, -1 for none.
    void focusEntry(int entry);
    int focusedEntry() const { return focusedEntry_; }

    // How many decoded pictures the picture window keeps for its next and previous steps.
    int stepPicturesHeld() const;

protected:
    // A file or folder dropped on the window opens as one named on the command line does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void loadPage(int first, int cells);
    bool pageMayWait() const;
    void prefetchNeighbours();
    QSize cellSize() const;
    int focusedCell() const;
    void showFocusRing();
    void tellFocusedCell();
    void scrollToPage(int first);
    void scrollToShow(int entry);
    using PutInWindow = std::function<void(frmPicture&, const StdPicture&)>;
    void showInPictureWindow(frmPicture& window, std::shared_ptr<PictureJob> job, PutInWindow putIn,
        std::chrono::milliseconds wait = PictureWait);
    frmPicture& showPictureWindow(int entry);
    void stepPicture(int direction, bool repeated);
    void readAhead(int direction);
    void forgetSteps();
    void followInGrid(int entry, bool wait = true);
    PictureJob::Reader readEntry(int entry);
    std::shared_ptr<PictureJob> hold(int entry, bool onlyIfRoom);
    void makeRoom();

    QTimer prefetchTimer_;
    int pageFirst_ = 0;
    std::vector<std::shared_ptr<PictureJob>> pageJobs_; // the cells' jobs of the page shown
    PictureJob::Clock::time_point pageAskedAt_; // when they were asked for
    bool followingSteps_ = false; // the grid scrolls to the picture window's picture
    // Pictures not made within the wait, put in when they are if still wanted. A new page, a newer
    // picture for the picture window, a newer preview each makes what was asked before stale.
    LatePictures late_;
    int page_ = 0;
    LatestPicture windowPicture_ { late_ };
    LatestPicture preview_ { late_ };
    QTimer roomCheck_; // while the window's picture is to come, whether it waits for room
    int wheelEighths_ = 0; // a turn of the wheel short of a notch, kept for the next one
    // While a list is read late: what the status bar said before, and what waits for the lists.
    QString statusBeforeReading_;
    std::vector<std::function<void()>> afterReading_;
    bool loadWaiting_ = false;
    int focusedEntry_ = -1;
    // The picture window's pictures around the one on show, by their entries in List1.
    struct HeldPicture {
        int entry;
        std::shared_ptr<PictureJob> job;
        HoldSlot hold; // its share of the decode budget while it is made and kept off screen
    };
    std::vector<HeldPicture> held_;
    int shownEntry_ = -1; // the entry of List1 the picture window steps from; -1 for none
    int onScreen_ = -1; // the entry whose picture the window shows while a step's is still to come
    bool stepWaits_ = false; // a step that waits for its picture is putting it in
    const frmPicture* stepWindow_ = nullptr;
};

} // namespace tl
