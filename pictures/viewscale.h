#pragma once

// How many pixels a picture needs to be shown: the picture window decodes a JPEG only as large as the
// view it is put in shows it, and asks for the rest when the view grows past that.

#include <QSize>
#include <QSizeF>

namespace tl {

// Where a picture is to be shown: the viewport, and the view in it.
struct ShownView {
    QSizeF viewport; // logical pixels; full screen: the screen's size
    double devicePixelRatio = 1;
    bool fitted = false; // the whole picture in the viewport, never enlarged
    double zoom = 1; // when not fitted: device pixels to a picture pixel (1: the natural size)
    int turn = 0; // quarter turns the view shows the picture at
};

// The zoom `view` shows a picture of `natural` size at (orientation applied, before the view's turn):
// the given zoom, or for a fit the largest that shows the whole turned picture, at most 1.
double shownZoom(QSize natural, const ShownView& view);

// The size, in device pixels and in the picture's own orientation (not the view's turn), that a picture
// of `natural` size takes in `view`; the empty size when that is its natural size or more.
QSize shownSize(QSize natural, const ShownView& view);

// The size a picture of `natural` size is made at for a view that shows it at `shown` (device pixels, as
// shownSize gives): `shown` itself when it has the picture's shape to the pixel, else the picture's shape
// just covering it; the empty size when that would be the natural size or more.
QSize reducedForView(QSize natural, QSize shown);

// Whether an image of `held` pixels, decoded from a picture of `natural` size, has the pixels a view
// at `zoom` draws: within half a pixel of the zoomed picture in both directions (the full picture, for a
// zoom of 1 or more).
bool holdsEnough(QSize held, QSize natural, double zoom);

} // namespace tl
