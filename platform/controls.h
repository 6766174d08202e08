#pragma once

// Small control classes whose state is the authority: geometry in twips, 16-bit scroll values,
// pictures, list entries. Each owns a Qt widget that shows that state and takes the user's input.
// Setting a property that raises an event runs the handler at once, before the setter returns.

#include "platform/picture.h"
#include "platform/twips.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QScrollBar;
class QLineEdit;
class QPlainTextEdit;
class QLabel;
class QPushButton;
class QComboBox;
class QListWidget;
class QListView;
class QStringListModel;
class QStatusBar;
class QFrame;

namespace tl {

using Event = std::function<void()>;
// Raised with the key's code (a Qt::Key) when a key is pressed in a control.
using KeyEvent = std::function<void(int KeyCode)>;

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    void setVisible(bool visible);

    // Puts the control's widget inside `parent` (the window's client area or a container).
    void attach(QWidget* parent);
    QWidget* widget() const { return widget_; }

protected:
    explicit Control(QWidget* widget);

private:
    void applyGeometry();

    QPointer<QWidget> widget_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
};

class ScrollBar : public Control {
public:
    explicit ScrollBar(Qt::Orientation orientation);

    Integer Min() const { return min_; }
    Integer Max() const { return max_; }
    Integer Value() const { return value_; }
    Integer SmallChange() const { return small_; }
    Integer LargeChange() const { return large_; }
    // Max may lie below Min; Value is kept between the two, and a change of either bound
    // that moves Value raises Change.
    void setMin(Integer min);
    void setMax(Integer max);
    void setValue(Integer value);
    void setSmallChange(Integer step);
    void setLargeChange(Integer step);

    // Raised when Value changes: by code, by arrows, trough clicks and keys, and once when a
    // dragged thumb is released (never during the drag).
    Event Change;

private:
    void moveValue(int value);
    void showState();

    QScrollBar* bar_;
    Integer min_ = 0, max_ = 32767, value_ = 0, small_ = 1, large_ = 1;
    bool showing_ = false;
};

class ImageControl : public Control {
public:
    ImageControl();

    const StdPicture& Picture() const { return picture_; }
    // A control that is not stretched takes the picture's natural size and holds the full image
    // while it shows the picture. A picture too large to decode in full shows as the empty one.
    void setPicture(const StdPicture& picture);
    bool Stretch() const { return stretch_; }
    void setStretch(bool stretch);
    // What a control that is not stretched draws: the picture at its natural size.
    const QImage& shownImage() const { return shown_; }
    // The size a stretched control draws its picture at, in device pixels.
    QSize devicePixels() const;

    Event Click;

private:
    friend class ImageWidget;
    StdPicture picture_;
    QImage shown_;
    bool stretch_ = false;
};

// A picture box used as a clipping container; its own picture is drawn at its natural size.
class PictureBox : public Control {
public:
    PictureBox();
    const StdPicture& Picture() const { return picture_; }
    void setPicture(const StdPicture& picture);
    // Client area for child controls (inside the border).
    QWidget* inner() const;

private:
    friend class PictureBoxWidget;
    StdPicture picture_;
};

class Label : public Control {
public:
    explicit Label(const QString& caption = {});
    QString Caption() const;
    void setCaption(const QString& caption);
    // The control this label names, for screen readers and the label's access key.
    void setBuddy(Control& control);

private:
    QLabel* label_;
};

class CommandButton : public Control {
public:
    explicit CommandButton(const QString& caption = {});
    QString Caption() const;
    Event Click;

private:
    QPushButton* button_;
};

class TextBox : public Control {
public:
    enum class Lines { Single, Multi };
    explicit TextBox(Lines lines = Lines::Single);
    QString Text() const;
    void setText(const QString& text);

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    QString text_;
};

// A list box holding strings; the hidden store of picture paths among others.
class ListBox : public Control {
public:
    ListBox();
    void AddItem(const QString& item);
    void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    // An index outside the list gives the empty string.
    QString List(int index) const;

private:
    void showItems();
    QListWidget* list_;
    QStringList items_;
};

// A status bar in simple-text mode: one line of text.
class StatusBar : public Control {
public:
    StatusBar();
    QString SimpleText() const { return text_; }
    void setSimpleText(const QString& text);

private:
    QLabel* label_;
    QString text_;
};

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
    bool showing_ = false;
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
    enum class Again { Ignore, Reopen };
    void moveTo(const QStringList& roots, const QString& folder, const QString& drive, Again again);
    void showFolders(const QStringList& subfolders);
    QListWidget* list_;
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
    void reload();
    void showIndex(int index);
    QListView* view_;
    QStringListModel* model_;
    QString path_;
    QString pattern_;
    QStringList names_;
    int index_ = -1;
    bool showing_ = false;
};

} // namespace tl
