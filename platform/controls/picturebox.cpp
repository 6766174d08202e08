#include "platform/controls/image.h"

#include <QFrame>
#include <QPainter>
#include <QWheelEvent>

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
    // A notch is 120 eighths of a degree; a touchpad turns by less, which adds up to notches (a turn
    // back takes off what was turned).
    void wheelEvent(QWheelEvent* event) override
    {
        const int turned = event->angleDelta().y();
        if (!owner_->MouseWheel || turned == 0) {
            QFrame::wheelEvent(event);
            return;
        }
        event->accept();
        int& kept = owner_->wheelEighths_;
        const qint64 eighths = qint64(kept) + turned;
        kept = int(eighths % 120);
        if (const int notches = int(eighths / 120))
            owner_->MouseWheel(notches);
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

} // namespace tl
