#include "pictures/rowreduction.h"

namespace tl {

RowReduction::RowReduction(QSize source, QSize target)
    : source_(source)
    , target_(target)
    , sums_(size_t(4) * size_t(target.width()))
    , firstColumn_(size_t(target.width()) + 1)
    , image_(target, QImage::Format_ARGB32_Premultiplied)
{
    if (image_.isNull())
        return;
    image_.fill(0);
    // A source column x falls on the target column x * target / source, rounded down.
    for (int column = 0; column <= target.width(); ++column)
        firstColumn_[size_t(column)]
            = int((qint64(column) * source.width() + target.width() - 1) / std::max(target.width(), 1));
}

qint64 RowReduction::bytesFor(QSize target)
{
    return qint64(target.width()) * (4 * 8 + 4) + qint64(target.width()) * target.height() * 4;
}

void RowReduction::addRow(const QRgb* row)
{
    if (!ok() || rowsAdded_ >= source_.height())
        return;
    for (int column = 0; column < target_.width(); ++column) {
        quint64* sum = &sums_[size_t(4) * size_t(column)];
        for (int x = firstColumn_[size_t(column)]; x < firstColumn_[size_t(column) + 1]; ++x) {
            const QRgb pixel = row[x];
            const quint64 alpha = qAlpha(pixel);
            sum[0] += alpha;
            sum[1] += alpha * qRed(pixel);
            sum[2] += alpha * qGreen(pixel);
            sum[3] += alpha * qBlue(pixel);
        }
    }
    ++rowsInBox_;
    ++rowsAdded_;
    const int next = int(qint64(rowsAdded_) * target_.height() / source_.height());
    if (rowsAdded_ == source_.height() || next != targetRow_) {
        flush();
        targetRow_ = next;
    }
}

void RowReduction::flush()
{
    if (rowsInBox_ == 0)
        return;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(targetRow_));
    for (int column = 0; column < target_.width(); ++column) {
        quint64* sum = &sums_[size_t(4) * size_t(column)];
        const quint64 count
            = quint64(firstColumn_[size_t(column) + 1] - firstColumn_[size_t(column)]) * quint64(rowsInBox_);
        const auto mean = [&](quint64 total, quint64 over) { return int((total + over / 2) / over); };
        line[column] = count == 0 ? 0
                                  : qRgba(mean(sum[1], 255 * count), mean(sum[2], 255 * count),
                                      mean(sum[3], 255 * count), mean(sum[0], count));
        std::fill(sum, sum + 4, 0);
    }
    rowsInBox_ = 0;
}

QImage RowReduction::finish(bool opaque)
{
    flush();
    if (opaque && rowsAdded_ == source_.height())
        image_.reinterpretAsFormat(QImage::Format_RGB32);
    return std::move(image_);
}

} // namespace tl
