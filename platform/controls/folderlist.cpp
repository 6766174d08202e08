#include "platform/controls/filesystemlists.h"

#include "platform/controls/keywatcher.h"
#include "platform/files/drives.h"
#include "platform/files/filenames.h"
#include "platform/files/folderlisting.h"
#include "platform/files/nativenames.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tl {

namespace {
    constexpr int FullPathRole = Qt::UserRole;
    constexpr int IndentRole = Qt::UserRole + 1;

    // Only the last few levels of a deep folder step to the right; the folders above them stand at
    // the left edge, so that the folder shown and its subfolders keep room for their names in a
    // narrow list at any depth.
    constexpr int IndentStep = 5; // pixels
    constexpr int IndentedLevels = 3;

    // Draws a folder entry shifted right by its indentation. The entry's text is the bare folder
    // name, which is also what a screen reader reads.
    class IndentedFolders : public QStyledItemDelegate {
    public:
        using QStyledItemDelegate::QStyledItemDelegate;

        void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            QStyleOptionViewItem shifted(option);
            shifted.rect.setLeft(option.rect.left() + index.data(IndentRole).toInt());
            QStyledItemDelegate::paint(painter, shifted, index);
        }

        QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
        {
            return QStyledItemDelegate::sizeHint(option, index) + QSize(index.data(IndentRole).toInt(), 0);
        }
    };

    // Keeps in view the folder shown and as many of its subfolders, the folders to open next, as
    // fit. The list is filled before it has its size, so this waits for the list's layout.
    class FolderView : public QListView {
    public:
        void bringIntoView()
        {
            pending_ = true;
            updateGeometries();
        }

    protected:
        void updateGeometries() override
        {
            QListView::updateGeometries();
            if (!pending_ || !isVisible() || !currentIndex().isValid())
                return;
            pending_ = false;
            scrollTo(model()->index(model()->rowCount() - 1, 0));
            scrollTo(currentIndex());
        }

    private:
        bool pending_ = false;
    };

    QString joinPath(const QString& folder, const QString& name)
    {
        return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
    }
} // namespace

// The folder list's entries: the folder shown and the folders above it, opened, then its
// subfolders, closed, each indented one step deeper than the one above it, up to a bound. An
// entry's path, indentation and tooltip are worked out when the view asks for them, so that a
// folder of 100,000 subfolders costs its list of names and little more.
class FolderEntries : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // `chain` runs from the root down to the folder shown, as full paths.
    void show(QStringList chain, QStringList subfolders, const QIcon& opened, const QIcon& closed)
    {
        beginResetModel();
        chainNames_.clear();
        for (const QString& p : chain) {
            const QString name = QFileInfo(p).fileName();
            chainNames_.append(name.isEmpty() ? QDir::toNativeSeparators(p) : shownFileName(name));
        }
        chain_ = std::move(chain);
        subfolders_ = std::move(subfolders);
        // The subfolders stand one level below the last of the chain.
        flush_ = std::max(0, static_cast<int>(chain_.size()) + 1 - IndentedLevels);
        opened_ = opened;
        closed_ = closed;
        endResetModel();
    }

    int shownRow() const { return static_cast<int>(chain_.size()) - 1; }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(chain_.size() + subfolders_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        const int row = index.row();
        if (!index.isValid() || row >= rowCount())
            return {};
        const bool above = row < chain_.size();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return above ? chainNames_.at(row) : shownFileName(subfolders_.at(row - chain_.size()));
        case Qt::DecorationRole:
            return above ? opened_ : closed_;
        case Qt::ToolTipRole:
            return shownFileName(QDir::toNativeSeparators(fullPath(row)));
        case FullPathRole:
            return fullPath(row);
        case IndentRole:
            return std::max(0, std::min(row, static_cast<int>(chain_.size())) - flush_) * IndentStep;
        default:
            return {};
        }
    }

private:
    QString fullPath(int row) const
    {
        return row < chain_.size() ? chain_.at(row) : joinPath(chain_.constLast(), subfolders_.at(row - chain_.size()));
    }

    QStringList chain_;
    QStringList chainNames_;
    QStringList subfolders_;
    int flush_ = 0;
    QIcon opened_;
    QIcon closed_;
};

FolderList::FolderList()
    : Control(new FolderView)
    , view_(static_cast<QListView*>(widget()))
    , entries_(new FolderEntries(view_))
{
    view_->setModel(entries_);
    // Every entry has the same font and an icon of the same size, so the first entry's height
    // stands for all: laying out a folder of many subfolders then measures one entry, not each.
    view_->setUniformItemSizes(true);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setTextElideMode(Qt::ElideRight);
    view_->setItemDelegate(new IndentedFolders(view_));
    reading_.start([this, source = driveSource](const std::atomic<bool>* cancelled) -> ListReading::PutIn {
        const QString start = currentFolder();
        const QString drive = driveOf(listDrives(*source), start, QDir::rootPath());
        const QStringList subfolders = listSubfolders(start, nullptr, cancelled);
        return [this, start, drive, subfolders](bool) {
            path_ = QDir::toNativeSeparators(start);
            drive_ = drive;
            showFolders(subfolders);
        };
    });
    keys_ = std::make_unique<KeyWatcher>(view_, KeyDown);
    QObject::connect(view_, &QAbstractItemView::activated, view_,
        [this](const QModelIndex& index) { openFolder(index.data(FullPathRole).toString()); });
}

void FolderList::setPath(const QString& path) { reading_.read(moveTo(path, true, Again::Ignore, Failure::Throw, {})); }

bool FolderList::openFolder(const QString& path, std::function<void(bool opened)> opened)
{
    try {
        reading_.read(moveTo(path, false, Again::Reopen, Failure::Quiet, opened));
        return true;
    } catch (const DeviceError&) {
        if (opened)
            opened(false);
        return false;
    }
}

void FolderList::Refresh()
{
    if (reading_.busy())
        return;
    reading_.read(
        [this, folder = QDir::fromNativeSeparators(path_)](const std::atomic<bool>* cancelled) -> ListReading::PutIn {
            bool ok = false;
            QStringList subfolders = listSubfolders(folder, &ok, cancelled);
            if (!ok)
                return {};
            return [this, subfolders](bool) { showFolders(subfolders); };
        });
}

namespace {
    // Where a move of the folder list goes, with the subfolders there, or why it cannot go.
    struct Destination {
        QString folder;
        QString drive;
        QStringList subfolders;
        int error = 0;
        QString what;
    };

    Destination failed(int error, const QString& what) { return { {}, {}, {}, error, what }; }

    // `toDrive`: the path may name a drive, as the drive list shows it, which is then gone to at its
    // current folder; `drive` names the drive when the move is to that drive's current folder.
    Destination lookFor(DriveSource& source, const QString& path, bool toDrive, const std::atomic<bool>* cancelled)
    {
        // The drives are read once for the whole move.
        const QStringList roots = listDrives(source);
        QString folder = path;
        QString drive;
        if (toDrive && roots.contains(path)) {
            folder = currentFolderOf(roots, path);
            drive = path;
        } else if (toDrive && wasListedDrive(path)) {
            // Unmounted, pulled out or no longer readable. What may be left at its place is an empty
            // mount point, which is no drive; its remembered folder stays for when it comes back.
            return failed(DeviceError::DeviceUnavailable, path);
        }

        QString target = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(folder)).absoluteFilePath());
        const QString root = drive.isEmpty() ? driveOf(roots, target, QDir::rootPath()) : drive;
        switch (source.probe(root)) {
        case DriveStatus::Ready:
            break;
        case DriveStatus::Gone:
        case DriveStatus::NoMedium:
            return failed(DeviceError::DeviceUnavailable, root);
        case DriveStatus::Unreadable:
            return failed(DeviceError::DiskMediaError, root);
        case DriveStatus::Failed:
            return failed(DeviceError::PathFileAccess, root);
        }

        bool ok = false;
        QStringList subfolders = listSubfolders(target, &ok, cancelled);
        // A drive's remembered folder may have gone meanwhile: go to the nearest folder above it.
        while (!ok && !drive.isEmpty() && target.size() > QDir::cleanPath(root).size()) {
            if (cancelled->load())
                return failed(DeviceError::DiskMediaError, root); // nobody waits for it any more
            target = QFileInfo(target).path();
            subfolders = listSubfolders(target, &ok, cancelled);
        }
        if (!ok) {
            if (!drive.isEmpty())
                return failed(DeviceError::DiskMediaError, root);
            return failed(files::exists(target) ? DeviceError::PathFileAccess : DeviceError::PathNotFound, target);
        }
        return { target, root, std::move(subfolders), 0, {} };
    }
} // namespace

// Reads where a move goes. Put in, it goes there, or fails: in time, by throwing DeviceError unless
// quiet; late, by raising Error unless quiet. `opened` is told which.
ListReading::Work FolderList::moveTo(
    const QString& path, bool toDrive, Again again, Failure failure, std::function<void(bool opened)> opened)
{
    return [this, source = driveSource, path, toDrive, again, failure, opened](
               const std::atomic<bool>* cancelled) -> ListReading::PutIn {
        Destination found;
        try {
            found = lookFor(*source, path, toDrive, cancelled);
        } catch (const std::exception& error) {
            found = failed(DeviceError::PathFileAccess, QString::fromLocal8Bit(error.what()));
        }
        return [this, found, again, failure, opened](bool late) {
            if (found.error == 0) {
                go(found.folder, found.drive, found.subfolders, again);
                if (opened)
                    opened(true);
                return;
            }
            const DeviceError error(found.error, found.what);
            if (!late)
                throw error;
            if (opened)
                opened(false);
            if (failure == Failure::Throw && Error)
                Error(error);
        };
    };
}

// Goes to a folder a move has read. A move to the folder shown changes nothing unless it is opened again.
void FolderList::go(const QString& folder, const QString& drive, QStringList subfolders, Again again)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (native == path_ && again == Again::Ignore)
        return;
    path_ = native;
    drive_ = drive;
    rememberFolder(drive, folder);
    showFolders(std::move(subfolders));
    if (Change)
        Change();
}

// The folder and the folders above it, then its subfolders; the folder shown is the current entry.
void FolderList::showFolders(QStringList subfolders)
{
    const QString path = QDir::fromNativeSeparators(path_);
    QStringList chain;
    for (QString p = path;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (QFileInfo(p).isRoot() || QFileInfo(p).path() == p)
            break;
    }
    entries_->show(std::move(chain), std::move(subfolders), view_->style()->standardIcon(QStyle::SP_DirOpenIcon),
        view_->style()->standardIcon(QStyle::SP_DirClosedIcon));
    view_->setCurrentIndex(entries_->index(entries_->shownRow()));
    static_cast<FolderView*>(view_)->bringIntoView();
}

} // namespace tl
