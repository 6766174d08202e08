#include "platform/controls/imagemapping.h"

namespace tl {

QTransform heldToDevice(QSize held, QSize natural, int turn, double zoom)
{
    if (held.isEmpty() || natural.isEmpty())
        return {};
    const double width = natural.width();
    const double height = natural.height();
    QTransform turning;
    switch (turn) {
    case 1:
        turning = QTransform(0, 1, -1, 0, height, 0);
        break;
    case 2:
        turning = QTransform(-1, 0, 0, -1, width, height);
        break;
    case 3:
        turning = QTransform(0, -1, 1, 0, 0, width);
        break;
    default:
        break;
    }
    return QTransform::fromScale(width / held.width(), height / held.height()) * turning
        * QTransform::fromScale(zoom, zoom);
}

} // namespace tl
