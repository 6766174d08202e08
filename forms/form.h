#pragma once

#include "platform/controls/control.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <initializer_list>

class QAction;

namespace tl {

// One control's place in a window, in twips.
struct LayoutRow {
    Control& control;
    int left, top, width, height;
};

// What a screen reader calls a control that shows no caption of its own.
struct SpokenName {
    Control& control;
    QString name;
};

// A window of the program. It is created on its first Show, runs Form_Load before it appears,
// runs Form_Resize whenever its inner area changes size, and is destroyed when it is closed.
class Form : public QMainWindow {
public:
    Form();

    virtual void Form_Load() { }
    virtual void Form_Resize() { }

    // Closes and destroys the window; the next Show creates it afresh.
    void Unload();
    bool isUnloaded() const { return unloaded_; }

    // The inner area below the menu bar, if there is one, in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;
    // Sets the inner area's size, in twips.
    void setInnerSize(int width, int height);
    // Places the inner area's top-left corner on the screen, in twips.
    void setInnerPosition(int left, int top);

    QWidget* client() const { return client_; }
    // Puts the controls in the inner area at their places. The rows stand in tab order: Tab moves
    // from each control that takes the focus to the next one, and the first of them has the focus.
    void layOut(std::initializer_list<LayoutRow> rows);
    // Names the controls that a screen reader could not name from a caption or a label.
    static void nameForScreenReaders(std::initializer_list<SpokenName> names);
    // A top-level menu command with no drop-down below it.
    QAction* addMenuCommand(const QString& caption, std::function<void()> handler);
    // A command of the keys given, wherever the focus is in the window, with no menu entry.
    void addKeyCommand(const QList<QKeySequence>& keys, std::function<void()> handler);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int menuBarHeight() const;

    QWidget* client_;
    bool unloaded_ = false;
};

// The one instance of a window class.
template <class T> class WindowSlot {
public:
    bool Loaded() const { return form_ && !form_->isUnloaded(); }
    T* Instance() const { return Loaded() ? form_.data() : nullptr; }

    // Modeless, without an owner: creates the window first if it is not loaded, else only
    // brings it forward.
    T& Show()
    {
        if (!Loaded()) {
            form_ = new T;
            form_->Form_Load();
            form_->show();
            return *form_;
        }
        form_->setWindowState(form_->windowState() & ~Qt::WindowMinimized);
        form_->show();
        form_->raise();
        form_->activateWindow();
        return *form_;
    }

private:
    QPointer<T> form_;
};

template <class T> WindowSlot<T>& Window()
{
    static WindowSlot<T> slot;
    return slot;
}

} // namespace tl
