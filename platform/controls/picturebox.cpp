#include "platform/controls/image.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <mutex>

namespace tl {

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
        static std::once_flag spoken;
        std::call_once(spoken, [] { QAccessible::installFactory(accessibleBox); });
    }
    QWidget* inner() const { return inner_; }
    // Inside the border, short of the covered strips.
    QRect innerRect() const
    {
        const QSize covered = owner_->covered_;
        return contentsRect() & QRect(0, 0, width() - covered.width(), height() - covered.height());
    }
    void placeInner() { inner_->setGeometry(innerRect()); }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        placeInner();
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
    void keyPressEvent(QKeyEvent* event) override
    {
        int key = event->key();
        if (owner_->KeyDown)
            owner_->KeyDown(key, event->modifiers());
        if (key)
            QFrame::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QFrame::focusInEvent(event);
        if (owner_->GotFocus)
            owner_->GotFocus();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QFrame::focusOutEvent(event);
        if (owner_->LostFocus)
            owner_->LostFocus();
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (!owner_->MouseWheel) {
            QFrame::wheelEvent(event);
            return;
        }
        QPointF notches = QPointF(event->angleDelta()) / QWheelEvent::DefaultDeltasPerStep;
        QPoint pixels = event->pixelDelta();
        if (event->modifiers() & Qt::ShiftModifier && notches.x() == 0 && pixels.x() == 0) {
            notches = QPointF(notches.y(), 0);
            pixels = QPoint(pixels.y(), 0);
        }
        const QPoint at = event->position().toPoint() - inner_->pos();
        owner_->MouseWheel({ .notches = notches,
            .lines = notches * QApplication::wheelScrollLines(),
            .twips = pixels * TwipsPerPixel,
            .position = at * TwipsPerPixel,
            .Shift = event->modifiers() });
        event->accept();
    }

private:
    // While the box has the focus, a screen reader is told the child the box names has it.
    class Spoken : public QAccessibleWidget {
    public:
        explicit Spoken(PictureBoxWidget* widget)
            : QAccessibleWidget(widget, QAccessible::Border) // the role Qt gives a frame
            , owner_(widget->owner_)
        {
        }
        QAccessibleInterface* focusChild() const override
        {
            if (widget()->hasFocus() && owner_->focusedChild_)
                return QAccessible::queryAccessibleInterface(owner_->focusedChild_);
            return QAccessibleWidget::focusChild();
        }

    private:
        const PictureBox* owner_;
    };

    static QAccessibleInterface* accessibleBox(const QString&, QObject* object)
    {
        auto* box = dynamic_cast<PictureBoxWidget*>(object);
        return box ? new Spoken(box) : nullptr;
    }

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

void PictureBox::setFocusedChild(const Control* child) { focusedChild_ = child ? child->widget() : nullptr; }

QWidget* PictureBox::inner() const { return static_cast<PictureBoxWidget*>(widget())->inner(); }

void PictureBox::setCovered(int right, int bottom)
{
    covered_ = QSize(toPixels(right), toPixels(bottom));
    static_cast<PictureBoxWidget*>(widget())->placeInner();
}

void PictureBox::setBackColor(const QColor& colour)
{
    QPalette palette = widget()->palette();
    palette.setColor(QPalette::Window, colour.isValid() ? colour : QApplication::palette().color(QPalette::Window));
    widget()->setPalette(palette);
}

QColor PictureBox::BackColor() const { return widget()->palette().color(QPalette::Window); }

int PictureBox::ScaleWidth() const
{
    return static_cast<PictureBoxWidget*>(widget())->innerRect().width() * TwipsPerPixel;
}

int PictureBox::ScaleHeight() const
{
    return static_cast<PictureBoxWidget*>(widget())->innerRect().height() * TwipsPerPixel;
}

} // namespace tl
