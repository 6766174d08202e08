#include "platform/controls/filesystemlists.h"

#include "platform/controls/keywatcher.h"
#include "platform/files/drives.h"
#include "platform/files/folderlisting.h"

#include <QDir>
#include <QListView>
#include <QStringListModel>

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
    path_ = QDir::toNativeSeparators(currentFolder());
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
    reload();
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    reload();
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

void FileList::Refresh()
{
    const QString chosen = List(index_);
    reload();
    if (!chosen.isEmpty())
        showIndex(static_cast<int>(names_.indexOf(chosen)));
}

void FileList::showIndex(int index)
{
    index_ = index;
    showing_ = true;
    view_->setCurrentIndex(model_->index(index));
    showing_ = false;
}

void FileList::reload()
{
    names_ = listFiles(QDir::fromNativeSeparators(path_), pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    index_ = -1;
    showing_ = true;
    model_->setStringList(names_);
    showing_ = false;
}

} // namespace tl
