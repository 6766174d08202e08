#pragma once

#include "platform/controls/control.h"
#include "platform/controls/keywatcher.h"
#include "platform/controls/listreading.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>

class QComboBox;
class QListView;
class QStringListModel;

namespace tl {

class FolderEntries;

// The three lists read the file system off the window's thread (see ListReading). Each waits for
// its reading up to the deadline; one not read by then shows what it has, is Reading(), raises
// ReadingChange, and fills in when read, raising then what it would have raised in time. A list
// starts on the process's current drive and folder, read when it is made; its owner waits for that
// reading with waitForReading().

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
    bool Reading() const { return reading_.late(); }
    void waitForReading() { reading_.wait(); }

    Event Change;
    Event ReadingChange;

private:
    ListReading::Work readDrives(bool findStart);
    void showDrives(QStringList drives);
    QComboBox* combo_;
    QString drive_;
    bool driveKnown_ = false; // found by the first reading, unless the folder list shows one first
    ListReading reading_ { widget(), ReadingChange };
};

class FolderList : public Control {
public:
    FolderList();
    // A full path, ending in the separator only for a root. Setting it to a drive, as the drive
    // list shows it, goes to that drive's current folder. Throws DeviceError when the drive or
    // the folder cannot be opened; then nothing changes.
    // A drive that has gone since the drive list showed it is not taken for a plain folder: it
    // throws DeviceUnavailable.
    // Read late, the move is made when read, or its failure raised as Error.
    QString Path() const { return path_; }
    void setPath(const QString& path);
    // The drive that holds the folder shown, as the drive list shows it.
    QString Drive() const { return drive_; }
    // The user opens a folder: a folder that cannot be opened leaves the list as it was. Opening
    // the folder shown lists it afresh and raises Change, so that what follows it reads it again.
    // False when the folder could not be opened; true when it was, or is still being read.
    // `opened`, when given, is told which once it is known, after Change.
    bool openFolder(const QString& path, std::function<void(bool opened)> opened = {});
    // Lists the subfolders of the folder shown again, raising nothing. While the list reads, the
    // reading under way reads them afresh.
    void Refresh();
    bool Reading() const { return reading_.late(); }
    void waitForReading() { reading_.wait(); }

    Event Change;
    KeyEvent KeyDown;
    Event ReadingChange;
    // A move of setPath read late that failed, as setPath would have thrown it.
    std::function<void(const DeviceError&)> Error;

private:
    std::unique_ptr<KeyWatcher> keys_; // after KeyDown, so that it goes first
    enum class Again { Ignore, Reopen };
    enum class Failure { Throw, Quiet };
    ListReading::Work moveTo(
        const QString& path, bool toDrive, Again again, Failure failure, std::function<void(bool opened)> opened);
    void go(const QString& folder, const QString& drive, QStringList subfolders, Again again);
    void showFolders(QStringList subfolders);
    QListView* view_;
    FolderEntries* entries_;
    QString path_;
    QString drive_;
    ListReading reading_ { widget(), ReadingChange };
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
    // it is there; nothing is raised. Read late, the list keeps its entries meanwhile; a new path or
    // pattern read late shows none.
    void Refresh();
    bool Reading() const { return reading_.late(); }

    Event Click;
    KeyEvent KeyDown;
    Event ReadingChange;

private:
    std::unique_ptr<KeyWatcher> keys_; // after KeyDown, so that it goes first
    void reload(bool keepChoice);
    void showNames(QStringList names);
    void showIndex(int index);
    QListView* view_;
    QStringListModel* model_;
    QString path_;
    bool pathKnown_ = false; // the current folder, found by the first reading
    QString pattern_;
    QStringList names_;
    int index_ = -1;
    // Set while code shows a choice, which is no choice of the user's. A QSignalBlocker on the
    // selection model would also keep the view from drawing the new selection.
    bool showing_ = false;
    ListReading reading_ { widget(), ReadingChange };
};

} // namespace tl
