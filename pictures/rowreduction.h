#pragma once

// Rows of a picture averaged, as they are decoded, into a smaller picture: each pixel of the result
// is the mean of the box of the picture's pixels that falls on it, their colours weighted by their
// opacity. Only one row of sums is held besides the result, so a picture of any size is reduced at
// the cost of the size it is reduced to.

#include <QImage>
#include <vector>

namespace tl {

class RowReduction {
public:
    // Rows of `source`'s width into a picture of `target` size, no larger than `source` either way.
    RowReduction(QSize source, QSize target);
    // What a reduction to `target` allocates: the result and its sums.
    static qint64 bytesFor(QSize target);
    // Whether the result could be allocated.
    bool ok() const { return !image_.isNull(); }

    // The next row of the source, its pixels as QImage::Format_ARGB32's.
    void addRow(const QRgb* row);
    // The result, premultiplied: the rows the source did not reach are transparent. With `opaque`
    // and every row added, it is QImage::Format_RGB32.
    QImage finish(bool opaque);

private:
    void flush();

    QSize source_, target_;
    std::vector<quint64> sums_; // each target column's opacity, then its colours times their opacity
    std::vector<int> firstColumn_; // the first source column of each target column, and the width past them
    int rowsAdded_ = 0, rowsInBox_ = 0, targetRow_ = 0;
    QImage image_;
};

} // namespace tl
