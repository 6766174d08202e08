#pragma once

// Where an image control draws the pixels of the image it holds. The image may hold fewer pixels than
// the picture (a JPEG decoded at a reduced scale for the view it is shown in): the control keeps the
// picture's natural size, and only the pixels it draws from differ.

#include <QSize>
#include <QTransform>

namespace tl {

// Pixels of an image of `held` size that stands for a picture of `natural` size (orientation applied)
// to device pixels of a control showing that picture at `zoom` (device pixels to a picture pixel),
// turned `turn` quarters clockwise: the held pixels stretched to the natural size, turned, zoomed.
QTransform heldToDevice(QSize held, QSize natural, int turn, double zoom);

} // namespace tl
