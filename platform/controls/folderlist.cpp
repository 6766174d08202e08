#include "platform/controls/filesystemlists.h"

#include "platform/controls/keywatcher.h"
#include "platform/files/drives.h"
#include "platform/files/folderlisting.h"

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
            chainNames_.append(name.isEmpty() ? QDir::toNativeSeparators(p) : name);
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
            return above ? chainNames_.at(row) : subfolders_.at(row - chain_.size());
        case Qt::DecorationRole:
            return above ? opened_ : closed_;
        case Qt::ToolTipRole:
            return QDir::toNativeSeparators(fullPath(row));
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
    const QString start = currentFolder();
    path_ = QDir::toNativeSeparators(start);
    drive_ = driveOf(listDrives(), start, QDir::rootPath());
    showFolders(listSubfolders(start));
    keys_ = std::make_unique<KeyWatcher>(view_, KeyDown);
    QObject::connect(view_, &QAbstractItemView::activated, view_,
        [this](const QModelIndex& index) { openFolder(index.data(FullPathRole).toString()); });
}

void FolderList::setPath(const QString& path)
{
    // The drives are read once for the whole move.
    const QStringList roots = listDrives();
    if (roots.contains(path))
        moveTo(roots, currentFolderOf(roots, path), path, Again::Ignore);
    else if (wasListedDrive(path))
        // Unmounted, pulled out or no longer readable. What may be left at its place is an empty
        // mount point, which is no drive; its remembered folder stays for when it comes back.
        throw DeviceError(DeviceError::DeviceUnavailable, path);
    else
        moveTo(roots, path, {}, Again::Ignore);
}

bool FolderList::openFolder(const QString& path)
{
    try {
        moveTo(listDrives(), path, {}, Again::Reopen);
        return true;
    } catch (const DeviceError&) {
        return false;
    }
}

void FolderList::Refresh()
{
    bool ok = false;
    QStringList subfolders = listSubfolders(QDir::fromNativeSeparators(path_), &ok);
    if (ok)
        showFolders(std::move(subfolders));
}

// Goes to a folder; `drive` names the drive when the move is to that drive's current folder. A move
// to the folder shown changes nothing unless it is opened again.
void FolderList::moveTo(const QStringList& roots, const QString& folder, const QString& drive, Again again)
{
    QString target = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(folder)).absoluteFilePath());
    const QString root = drive.isEmpty() ? driveOf(roots, target, QDir::rootPath()) : drive;

    switch (driveSource->probe(root)) {
    case DriveStatus::Ready:
        break;
    case DriveStatus::Gone:
    case DriveStatus::NoMedium:
        throw DeviceError(DeviceError::DeviceUnavailable, root);
    case DriveStatus::Unreadable:
        throw DeviceError(DeviceError::DiskMediaError, root);
    case DriveStatus::Failed:
        throw DeviceError(DeviceError::PathFileAccess, root);
    }

    bool ok = false;
    QStringList subfolders = listSubfolders(target, &ok);
    // A drive's remembered folder may have gone meanwhile: go to the nearest folder above it.
    while (!ok && !drive.isEmpty() && target.size() > QDir::cleanPath(root).size()) {
        target = QFileInfo(target).path();
        subfolders = listSubfolders(target, &ok);
    }
    if (!ok) {
        if (!drive.isEmpty())
            throw DeviceError(DeviceError::DiskMediaError, root);
        throw DeviceError(QFileInfo::exists(target) ? DeviceError::PathFileAccess : DeviceError::PathNotFound, target);
    }

    const QString native = QDir::toNativeSeparators(target);
    if (native == path_ && again == Again::Ignore)
        return;
    path_ = native;
    drive_ = root;
    rememberFolder(root, target);
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
