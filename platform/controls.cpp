#include "platform/controls.h"

#include "platform/filesystem.h"
#include "platform/services.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStringListModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QWindow>
#include <algorithm>

namespace tl {

// ---------------------------------------------------------------- Control

Control::Control(QWidget* widget)
    : widget_(widget)
{
}

Control::~Control() { delete widget_.data(); }

void Control::setLeft(int twips) { Move(twips, top_, width_, height_); }
void Control::setTop(int twips) { Move(left_, twips, width_, height_); }
void Control::setWidth(int twips) { Move(left_, top_, twips, height_); }
void Control::setHeight(int twips) { Move(left_, top_, width_, twips); }

void Control::Move(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    applyGeometry();
}

void Control::setVisible(bool visible)
{
    visible_ = visible;
    if (widget_ && widget_->parentWidget())
        widget_->setVisible(visible);
}

void Control::attach(QWidget* parent)
{
    widget_->setParent(parent);
    applyGeometry();
    widget_->setVisible(visible_);
}

void Control::applyGeometry()
{
    if (widget_)
        widget_->setGeometry(toPixels(left_), toPixels(top_), toPixels(width_), toPixels(height_));
}

// ---------------------------------------------------------------- ScrollBar

// Keys move the bar by what they mean on screen: left, up and page up towards the top or left
// end, right, down and page down towards the other, Home and End to the ends. QScrollBar's own
// mapping depends on invertedControls, which no single setting gets right for every key.
class ScrollBarWidget : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        SliderAction action;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            action = SliderSingleStepSub;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            action = SliderSingleStepAdd;
            break;
        case Qt::Key_PageUp:
            action = SliderPageStepSub;
            break;
        case Qt::Key_PageDown:
            action = SliderPageStepAdd;
            break;
        case Qt::Key_Home:
            action = SliderToMinimum;
            break;
        case Qt::Key_End:
            action = SliderToMaximum;
            break;
        default:
            QScrollBar::keyPressEvent(event);
            return;
        }
        // A bar shown reversed has its largest value at the top or left end.
        if (invertedAppearance())
            action = reversed(action);
        triggerAction(action);
        event->accept();
    }

private:
    static SliderAction reversed(SliderAction action)
    {
        switch (action) {
        case SliderSingleStepAdd:
            return SliderSingleStepSub;
        case SliderSingleStepSub:
            return SliderSingleStepAdd;
        case SliderPageStepAdd:
            return SliderPageStepSub;
        case SliderPageStepSub:
            return SliderPageStepAdd;
        case SliderToMinimum:
            return SliderToMaximum;
        case SliderToMaximum:
            return SliderToMinimum;
        default:
            return action;
        }
    }
};

ScrollBar::ScrollBar(Qt::Orientation orientation)
    : Control(new ScrollBarWidget(orientation))
    , bar_(static_cast<QScrollBar*>(widget()))
{
    // Without tracking a dragged thumb changes the value once, when it is released.
    bar_->setTracking(false);
    bar_->setFocusPolicy(Qt::StrongFocus);
    showState();
    QObject::connect(bar_, &QScrollBar::valueChanged, bar_, [this](int value) {
        if (!showing_)
            moveValue(value);
    });
}

void ScrollBar::setMin(Integer min)
{
    min_ = min;
    moveValue(value_);
}

void ScrollBar::setMax(Integer max)
{
    max_ = max;
    moveValue(value_);
}

void ScrollBar::setValue(Integer value) { moveValue(value); }

void ScrollBar::setSmallChange(Integer step)
{
    small_ = step;
    showState();
}

void ScrollBar::setLargeChange(Integer step)
{
    large_ = step;
    showState();
}

void ScrollBar::moveValue(int value)
{
    const int low = std::min<int>(min_, max_);
    const int high = std::max<int>(min_, max_);
    const auto kept = static_cast<Integer>(std::clamp(value, low, high));
    const bool changed = kept != value_;
    value_ = kept;
    showState();
    if (changed && Change)
        Change();
}

// QScrollBar cannot hold a maximum below its minimum: it shows the bounds in order, reversed.
void ScrollBar::showState()
{
    showing_ = true;
    const bool reversed = max_ < min_;
    bar_->setInvertedAppearance(reversed);
    // The wheel scrolls down or right towards the bottom or right end of the bar as shown.
    bar_->setInvertedControls(!reversed);
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    bar_->setSingleStep(small_);
    bar_->setPageStep(large_);
    bar_->setValue(value_);
    bar_->setSliderPosition(value_);
    showing_ = false;
}

// ---------------------------------------------------------------- ImageControl

namespace {

    // The windows that the last two mouse presses of the program went to, whichever control
    // took them.
    class PressedWindows : public QObject {
    public:
        static PressedWindows& instance()
        {
            static PressedWindows* const windows = new PressedWindows(qApp);
            return *windows;
        }
        // Whether the press before the one being delivered now went to the window of `widget`.
        bool firstPressWentTo(const QWidget* widget) const
        {
            return previous_ && previous_ == widget->window()->windowHandle();
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            // A window is told of every press, the second press of a double click included.
            const QEvent::Type type = event->type();
            if (type == QEvent::MouseButtonPress && watched->isWindowType()) {
                previous_ = latest_;
                latest_ = static_cast<QWindow*>(watched);
            }
            return false;
        }

    private:
        explicit PressedWindows(QObject* application)
            : QObject(application)
        {
            application->installEventFilter(this);
        }
        QPointer<QWindow> previous_;
        QPointer<QWindow> latest_;
    };

} // namespace

class ImageWidget : public QWidget {
public:
    explicit ImageWidget(ImageControl* owner)
        : owner_(owner)
    {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        PressedWindows::instance();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const StdPicture& picture = owner_->picture_;
        if (picture.isEmpty())
            return;
        QPainter painter(this);
        if (owner_->stretch_) {
            const QSize device = size() * devicePixelRatioF();
            painter.drawImage(rect(), picture.scaledCopy(device));
        } else {
            const QRect area = event->rect();
            painter.drawImage(area, owner_->shown_, area);
        }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton;
        QWidget::mousePressEvent(event);
    }
    // The second press of a double click starts a click only when the first press was in this
    // window too. A double click on a thumbnail opens the picture window with its first click,
    // and its second press lands on the new window's picture, which must not close it at once.
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        pressed_ = event->button() == Qt::LeftButton && PressedWindows::instance().firstPressWentTo(window());
        event->ignore();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool clicked
            = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (clicked && owner_->Click)
            owner_->Click();
    }

private:
    ImageControl* owner_;
    bool pressed_ = false;
};

ImageControl::ImageControl()
    : Control(new ImageWidget(this))
{
}

void ImageControl::setPicture(const StdPicture& picture)
{
    picture_ = picture;
    shown_ = stretch_ ? QImage() : picture_.fullImage();
    if (!stretch_ && !picture_.isEmpty()) {
        // A picture that cannot be decoded in full, being too large to hold, shows as the empty one.
        if (shown_.isNull())
            picture_ = {};
        else
            Move(Left(), Top(), picture_.pixelWidth() * TwipsPerPixel, picture_.pixelHeight() * TwipsPerPixel);
    }
    widget()->update();
}

QSize ImageControl::devicePixels() const { return widget()->size() * widget()->devicePixelRatioF(); }

void ImageControl::setStretch(bool stretch)
{
    stretch_ = stretch;
    shown_ = stretch_ ? QImage() : picture_.fullImage();
    widget()->update();
}

// ---------------------------------------------------------------- PictureBox

class PictureBoxWidget : public QFrame {
public:
    explicit PictureBoxWidget(PictureBox* owner)
        : owner_(owner)
        , inner_(new QWidget(this))
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
        setAutoFillBackground(true);
        setFocusPolicy(Qt::StrongFocus);
    }
    QWidget* inner() const { return inner_; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        inner_->setGeometry(contentsRect());
    }
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        if (!owner_->picture_.isEmpty()) {
            QPainter painter(this);
            painter.setClipRect(contentsRect());
            painter.drawImage(contentsRect().topLeft(), owner_->picture_.image());
        }
    }

private:
    PictureBox* owner_;
    QWidget* inner_;
};

PictureBox::PictureBox()
    : Control(new PictureBoxWidget(this))
{
}

void PictureBox::setPicture(const StdPicture& picture)
{
    picture_ = picture;
    widget()->update();
}

QWidget* PictureBox::inner() const { return static_cast<PictureBoxWidget*>(widget())->inner(); }

// ---------------------------------------------------------------- Label, CommandButton, TextBox

Label::Label(const QString& caption)
    : Control(new QLabel(caption))
    , label_(static_cast<QLabel*>(widget()))
{
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QString Label::Caption() const { return label_->text(); }
void Label::setCaption(const QString& caption) { label_->setText(caption); }

void Label::setBuddy(Control& control)
{
    label_->setBuddy(control.widget());
    control.widget()->setAccessibleName(label_->text());
}

CommandButton::CommandButton(const QString& caption)
    : Control(new QPushButton(caption))
    , button_(static_cast<QPushButton*>(widget()))
{
    QObject::connect(button_, &QPushButton::clicked, button_, [this] {
        if (Click)
            Click();
    });
}

QString CommandButton::Caption() const { return button_->text(); }

static QWidget* makeTextWidget(TextBox::Lines lines)
{
    if (lines == TextBox::Lines::Single)
        return new QLineEdit;
    auto* edit = new QPlainTextEdit;
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in every other control of a window.
    edit->setTabChangesFocus(true);
    return edit;
}

TextBox::TextBox(Lines lines)
    : Control(makeTextWidget(lines))
{
    if (lines == Lines::Single)
        line_ = static_cast<QLineEdit*>(widget());
    else
        multi_ = static_cast<QPlainTextEdit*>(widget());
}

// A multi-line box gives back the text it was given, as long as the user has not edited it;
// edited text ends its lines, and the pieces a long line was shown in, in CR LF.
QString TextBox::Text() const
{
    if (line_)
        return line_->text();
    if (!multi_->document()->isModified())
        return text_;
    QString text = multi_->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

namespace {

    // Laying out a wrapped line costs time that grows with the square of the stretch without a
    // place to break it, so a line of a megabyte of letters would freeze the window for minutes.
    // Longer lines are shown in pieces of at most this many characters.
    constexpr qsizetype LongestShownLine = 1024;
    // A piece ends after the last space or Japanese comma or full stop in this many characters
    // before its limit, where there is one, so that the break falls where a wrap could.
    constexpr qsizetype BreakSearch = 128;

    bool endsAPhrase(QChar c) { return c.isSpace() || c == u'、' || c == u'。'; }

    // Where the first piece of a line ends.
    qsizetype pieceEnd(QStringView line)
    {
        qsizetype end = LongestShownLine;
        if (end >= line.size())
            return line.size();
        for (qsizetype i = end; i > end - BreakSearch; --i)
            if (endsAPhrase(line[i - 1]))
                return i;
        if (line[end - 1].isHighSurrogate())
            --end; // never between the two halves of one character
        return end;
    }

    // The text as the box shows it: every line ends in LF, and long lines are broken into pieces.
    QString shownText(const QString& text)
    {
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QStringList pieces;
        for (QStringView line : QStringView(shown).split(u'\n')) {
            for (qsizetype end; (end = pieceEnd(line)) < line.size(); line = line.sliced(end))
                pieces << line.first(end).toString();
            pieces << line.toString();
        }
        return pieces.join(u'\n');
    }

} // namespace

// A multi-line box shows long lines broken into pieces, for display only: Text() gives back the
// text as it was set until the user edits it.
void TextBox::setText(const QString& text)
{
    if (line_) {
        line_->setText(text);
        return;
    }
    multi_->setPlainText(shownText(text));
    multi_->document()->setModified(false);
    text_ = text;
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox()
    : Control(new QListWidget)
    , list_(static_cast<QListWidget*>(widget()))
{
}

void ListBox::AddItem(const QString& item)
{
    items_.append(item);
    if (Visible())
        list_->addItem(item);
}

void ListBox::Clear()
{
    items_.clear();
    list_->clear();
}

QString ListBox::List(int index) const { return index >= 0 && index < items_.size() ? items_.at(index) : QString(); }

// ---------------------------------------------------------------- StatusBar

StatusBar::StatusBar()
    : Control(new QStatusBar)
{
    auto* bar = static_cast<QStatusBar*>(widget());
    bar->setSizeGripEnabled(false);
    label_ = new QLabel;
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setTextFormat(Qt::PlainText);
    bar->addWidget(label_, 1);
}

void StatusBar::setSimpleText(const QString& text)
{
    text_ = text;
    label_->setText(text);
    // Loading holds the event loop until it ends: the text is painted now, or the user never sees it.
    label_->repaint();
}

// ---------------------------------------------------------------- key events

namespace {
    // Hands each key pressed in a list to its control's KeyDown, then lets the list handle it.
    class KeyWatcher : public QObject {
    public:
        KeyWatcher(QWidget* widget, const KeyEvent& keyDown)
            : QObject(widget)
            , keyDown_(keyDown)
        {
            widget->installEventFilter(this);
        }

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::KeyPress && keyDown_)
                keyDown_(static_cast<QKeyEvent*>(event)->key());
            return false;
        }

    private:
        const KeyEvent& keyDown_;
    };
} // namespace

// ---------------------------------------------------------------- DriveList

namespace {
    // Refreshes its entries each time it opens, so that a stick plugged in meanwhile shows up.
    class DriveCombo : public QComboBox {
    public:
        std::function<void()> aboutToOpen;

    protected:
        void showPopup() override
        {
            if (aboutToOpen)
                aboutToOpen();
            QComboBox::showPopup();
        }
    };
} // namespace

DriveList::DriveList()
    : Control(new DriveCombo)
    , combo_(static_cast<QComboBox*>(widget()))
{
    drive_ = driveOf(listDrives(), currentFolder(), QDir::rootPath());
    Refresh();
    static_cast<DriveCombo*>(combo_)->aboutToOpen = [this] { Refresh(); };
    QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) {
        if (!showing_)
            setDrive(combo_->itemText(index));
    });
}

void DriveList::Refresh()
{
    showing_ = true;
    QStringList drives = listDrives();
    if (!drives.contains(drive_))
        drives.prepend(drive_);
    combo_->clear();
    combo_->addItems(drives);
    combo_->setCurrentIndex(static_cast<int>(drives.indexOf(drive_)));
    showing_ = false;
}

void DriveList::setDrive(const QString& drive)
{
    if (drive == drive_)
        return;
    showDrive(drive);
    if (Change)
        Change();
}

void DriveList::showDrive(const QString& drive)
{
    drive_ = drive;
    showing_ = true;
    int index = combo_->findText(drive);
    if (index < 0) {
        combo_->addItem(drive);
        index = combo_->count() - 1;
    }
    combo_->setCurrentIndex(index);
    showing_ = false;
}

// ---------------------------------------------------------------- FolderList

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
    new KeyWatcher(list_, KeyDown);
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

    switch (Drives->probe(root)) {
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

// ---------------------------------------------------------------- FileList

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
    new KeyWatcher(view_, KeyDown);
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
