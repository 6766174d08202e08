#include "platform/controls/filesystemlists.h"

#include "platform/controls/keywatcher.h"
#include "platform/files/drives.h"
#include "platform/files/filenames.h"
#include "platform/files/folderlisting.h"

#include <QDir>
#include <QHelpEvent>
#include <QListView>
#include <QStringListModel>
#include <QToolTip>
#include <algorithm>

namespace tl {

namespace {
    // Gaining the focus makes no entry current: Qt would make the first one current, and the
    // arrow keys would then move on from it as if it had been chosen, skipping it.
    class FileView : public QListView {
    protected:
        void focusInEvent(QFocusEvent* event) override
        {
            const bool hadCurrent = currentIndex().isValid();
            QListView::focusInEvent(event);
            if (!hadCurrent && selectionModel())
                selectionModel()->clearCurrentIndex();
        }
        // A name cut short at the list's edge shows in full as its tooltip; one that fits shows none.
        bool viewportEvent(QEvent* event) override
        {
            if (event->type() != QEvent::ToolTip)
                return QListView::viewportEvent(event);
            const auto* help = static_cast<QHelpEvent*>(event);
            const QModelIndex index = indexAt(help->pos());
            const QRect shown = visualRect(index);
            if (!index.isValid() || !cutShort(index, shown)) {
                QToolTip::hideText();
                event->ignore();
                return true;
            }
            QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), shown);
            return true;
        }

    private:
        bool cutShort(const QModelIndex& index, const QRect& shown) const
        {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = shown;
            const int right = std::min(shown.right(), viewport()->rect().right());
            return shown.left() + itemDelegateForIndex(index)->sizeHint(option, index).width() - 1 > right;
        }
    };
} // namespace

FileList::FileList()
    : Control(new FileView)
    , view_(static_cast<QListView*>(widget()))
    , model_(new QStringListModel(view_))
{
    view_->setModel(model_);
    view_->setUniformItemSizes(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keys_ = std::make_unique<KeyWatcher>(view_, KeyDown);
    // An entry is chosen when it becomes selected: by a click or by the keys that move the
    // selection, never by the list only taking the focus.
    QObject::connect(
        view_->selectionModel(), &QItemSelectionModel::selectionChanged, view_, [this](const QItemSelection& selected) {
            if (!showing_ && !selected.isEmpty())
                setListIndex(selected.indexes().constFirst().row());
        });
}

void FileList::setPath(const QString& path)
{
    path_ = path;
    pathKnown_ = true;
    reload(false);
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    reload(false);
}

QString FileList::List(int index) const { return index >= 0 && index < names_.size() ? names_.at(index) : QString(); }

void FileList::setListIndex(int index)
{
    if (index < -1 || index >= names_.size())
        return;
    showIndex(index);
    if (index >= 0 && Click)
        Click();
}

void FileList::Refresh() { reload(true); }

void FileList::showIndex(int index)
{
    index_ = index;
    showing_ = true;
    view_->setCurrentIndex(model_->index(index));
    showing_ = false;
}

// Lists the folder, or the current folder while the path is not known yet. The names of another
// folder or pattern are no entries of this one: a new listing read late shows none meanwhile.
void FileList::reload(bool keepChoice)
{
    const bool put = reading_.read([this, known = pathKnown_, folder = QDir::fromNativeSeparators(path_),
                                       patterns = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts),
                                       keepChoice](const std::atomic<bool>* cancelled) -> ListReading::PutIn {
        const QString listed = known ? folder : currentFolder();
        const QStringList names = listFiles(listed, patterns, nullptr, cancelled);
        return [this, known, listed, names, keepChoice](bool) {
            if (!known && !pathKnown_) {
                path_ = QDir::toNativeSeparators(listed);
                pathKnown_ = true;
            }
            const QString chosen = keepChoice ? List(index_) : QString();
            showNames(names);
            if (!chosen.isEmpty())
                showIndex(static_cast<int>(names_.indexOf(chosen)));
        };
    });
    if (!put && !keepChoice)
        showNames({});
}

void FileList::showNames(QStringList names)
{
    names_ = std::move(names);
    index_ = -1;
    showing_ = true;
    // A name's kept bytes show as U+FFFD; List() gives the name that opens the file.
    QStringList shown = names_;
    for (QString& name : shown)
        name = shownFileName(std::move(name));
    model_->setStringList(shown);
    showing_ = false;
}

} // namespace tl
