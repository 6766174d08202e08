#pragma once

#include "platform/controls/control.h"

#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class QListWidget;

namespace tl {

class Label : public Control {
public:
    explicit Label(const QString& caption = {});
    QString Caption() const;
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

} // namespace tl
