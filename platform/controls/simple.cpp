#include "platform/controls/simple.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

namespace tl {

Label::Label(const QString& caption)
    : Control(new QLabel(caption))
    , label_(static_cast<QLabel*>(widget()))
{
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

QString Label::Caption() const { return label_->text(); }

void Label::setBuddy(Control& control)
{
    label_->setBuddy(control.widget());
    control.widget()->setAccessibleName(label_->text());
}

namespace {
    // Enter presses the button as Space does. A plain push button takes Enter only in a dialog.
    class PushButton : public QPushButton {
    public:
        using QPushButton::QPushButton;

    protected:
        void keyPressEvent(QKeyEvent* event) override
        {
            const auto key = event->key();
            const Qt::KeyboardModifiers others = event->modifiers() & ~Qt::KeypadModifier;
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && others == Qt::NoModifier) {
                click();
                return;
            }
            QPushButton::keyPressEvent(event);
        }
    };
} // namespace

CommandButton::CommandButton(const QString& caption)
    : Control(new PushButton(caption))
    , button_(static_cast<QPushButton*>(widget()))
{
    QObject::connect(button_, &QPushButton::clicked, button_, [this] {
        if (Click)
            Click();
    });
}

QString CommandButton::Caption() const { return button_->text(); }

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

} // namespace tl
