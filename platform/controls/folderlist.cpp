#include "platform/controls/filesystemlists.h"

#include "platform/controls/keywatcher.h"
#include "platform/files/folderlisting.h"
#include "platform/services.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
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
} // namespace

namespace {
    // Keeps in view the folder shown and as many of its subfolders, the folders to open next, as
    // fit. The list is filled before it has its size, so this waits for the list's layout.
    class FolderView : public QListWidget {
    public:
        void bringIntoView()
        {
            pending_ = true;
            updateGeometries();
        }

    protected:
        void updateGeometries() override
        {
            QListWidget::updateGeometries();
            if (!pending_ || !isVisible() || !currentItem())
                return;
            pending_ = false;
            scrollToItem(item(count() - 1));
            scrollToItem(currentItem());
        }

    private:
        bool pending_ = false;
    };
} // namespace

FolderList::FolderList()
    : Control(new FolderView)
    , list_(static_cast<QListWidget*>(widget()))
{
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setTextElideMode(Qt::ElideRight);
    list_->setItemDelegate(new IndentedFolders(list_));
    const QString start = currentFolder();
    path_ = QDir::toNativeSeparators(start);
    drive_ = driveOf(listDrives(), start, QDir::rootPath());
    showFolders(listSubfolders(start));
    watchKeys(list_, KeyDown);
    QObject::connect(list_, &QListWidget::itemActivated, list_,
        [this](QListWidgetItem* item) { openFolder(item->data(FullPathRole).toString()); });
}

static QString joinPath(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
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
    const QStringList subfolders = listSubfolders(QDir::fromNativeSeparators(path_), &ok);
    if (ok)
        showFolders(subfolders);
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
    showFolders(subfolders);
    if (Change)
        Change();
}

// The folder and the folders above it, opened, then its subfolders, closed, each indented one
// step deeper than the one above it, up to a bound.
void FolderList::showFolders(const QStringList& subfolders)
{
    const QString path = QDir::fromNativeSeparators(path_);
    const QIcon opened = list_->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = list_->style()->standardIcon(QStyle::SP_DirClosedIcon);
    list_->clear();

    QStringList chain;
    for (QString p = path;; p = QFileInfo(p).path()) {
        chain.prepend(p);
        if (QFileInfo(p).isRoot() || QFileInfo(p).path() == p)
            break;
    }
    // The subfolders stand one level below the last of the chain.
    const int flush = std::max(0, static_cast<int>(chain.size()) + 1 - IndentedLevels);
    int depth = 0;
    auto add = [&](const QString& full, const QString& name, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, name, list_);
        item->setData(FullPathRole, full);
        item->setData(IndentRole, std::max(0, depth - flush) * IndentStep);
        item->setToolTip(QDir::toNativeSeparators(full));
    };
    for (const QString& p : chain) {
        const QString name = QFileInfo(p).fileName();
        add(p, name.isEmpty() ? QDir::toNativeSeparators(p) : name, opened);
        ++depth;
    }
    list_->setCurrentRow(list_->count() - 1);
    for (const QString& name : subfolders)
        add(joinPath(path, name), name, closed);
    static_cast<FolderView*>(list_)->bringIntoView();
}

} // namespace tl
