#pragma once

#include "platform/controls/control.h"
#include "platform/controls/keywatcher.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

class QComboBox;
class QListView;
class QStringListModel;

namespace tl {

class FolderEntries;

// A failure of the folder list to switch to a drive or folder, numbered as the platform does.
struct DeviceError : std::runtime_error {
    enum : int { DeviceUnavailable = 68, DiskMediaError = 72, PathFileAccess = 75, PathNotFound = 76 };
    DeviceError(int number, const QString& what)
        : std::runtime_error(what.toStdString())
        , number(number)
    {
    }
    int number;
};

class DriveList : public Control {
public:
    DriveList();
    // The chosen drive, as the list shows it.
    QString Drive() const { return drive_; }
    void setDrive(const QString& drive);
    // Shows a drive as the chosen one without raising Change: the list follows the folder shown.
    void showDrive(const QString& drive);
    // Reads the drives again from the drive source, keeping the chosen one.
    void Refresh();

    Event Change;

private:
    QComboBox* combo_;
    QString drive_;
};

class FolderList : public Control {
public:
    FolderList();
    // A full path, ending in the separator only for a root. Setting it to a drive, as the drive
    // list shows it, goes to that drive's current folder. Throws DeviceError when the drive or
    // the folder cannot be opened; then nothing changes.
    // A drive that has gone since the drive list showed it is not taken for a plain folder: it
    // throws DeviceUnavailable.
    QString Path() const { return path_; }
    void setPath(const QString& path);
    // The drive that holds the folder shown, as the drive list shows it.
    QString Drive() const { return drive_; }
    // The user opens a folder: a folder that cannot be opened leaves the list as it was. Opening
    // the folder shown lists it afresh and raises Change, so that what follows it reads it again.
    bool openFolder(const QString& path);
    // Lists the subfolders of the folder shown again, raising nothing.
    void Refresh();

    Event Change;
    KeyEvent KeyDown;

private:
    std::unique_ptr<KeyWatcher> keys_; // after KeyDown, so that it goes first
    enum class Again { Ignore, Reopen };
    void moveTo(const QStringList& roots, const QString& folder, const QString& drive, Again again);
    void showFolders(QStringList subfolders);
    QListView* view_;
    FolderEntries* entries_;
    QString path_;
    QString drive_;
};

class FileList : public Control {
public:
    FileList();
    QString Path() const { return path_; }
    void setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    int ListCount() const { return static_cast<int>(names_.size()); }
    QString List(int index) const;
    int ListIndex() const { return index_; }
    // Choosing an entry, by code or by the user, raises Click. The user chooses with a click on an
    // entry or with the keys that move the selection; the list gaining the focus chooses nothing.
    void setListIndex(int index);
    // Reads the folder again: new files appear, removed ones go. The chosen file stays chosen while
    // it is there; nothing is raised.
    void Refresh();

    Event Click;
    KeyEvent KeyDown;

private:
    std::unique_ptr<KeyWatcher> keys_; // after KeyDown, so that it goes first
    void reload();
    void showIndex(int index);
    QListView* view_;
    QStringListModel* model_;
    QString path_;
    QString pattern_;
    QStringList names_;
    int index_ = -1;
    // Set while code shows a choice, which is no choice of the user's. A QSignalBlocker on the
    // selection model would also keep the view from drawing the new selection.
    bool showing_ = false;
};

} // namespace tl
