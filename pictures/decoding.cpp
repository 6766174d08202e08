#include "pictures/decoding.h"

#include "pictures/bmpheader.h"
#include "pictures/decodecost.h"
#include "pictures/picture.h"

#include <QImageReader>
#include <QtMath>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tl {

namespace {

    // Decodes in flight may together allocate this much; a larger one runs alone.
    constexpr qint64 DecodeBudget = qint64(PictureAllocationLimitMB) << 20;

    // A share of the decode budget, held while one decode runs. A load cancelled while it waits
    // gives up its place (the waiters look at their flags now and then) and gets no share.
    class DecodeTicket {
    public:
        DecodeTicket(qint64 cost, const std::atomic<bool>* cancelled)
            : cost_(std::min(cost, DecodeBudget))
        {
            const auto given = [this] { return used_ == 0 || used_ + cost_ <= DecodeBudget; };
            std::unique_lock lock(mutex_);
            while (!free_.wait_for(lock, std::chrono::milliseconds(20), given))
                if (cancelled && cancelled->load()) {
                    cost_ = 0;
                    return;
                }
            used_ += cost_;
        }
        ~DecodeTicket()
        {
            {
                std::lock_guard lock(mutex_);
                used_ -= cost_;
            }
            free_.notify_all();
        }
        DecodeTicket(const DecodeTicket&) = delete;
        DecodeTicket& operator=(const DecodeTicket&) = delete;

    private:
        qint64 cost_;
        static inline std::mutex mutex_;
        static inline std::condition_variable free_;
        static inline qint64 used_ = 0;
    };

    std::atomic<qint64> held { 0 };

    qint64 pixelBytes(QSize size) { return imageBytes(size, 4); }

    // Making a cell's copy: the picture thinned to at most twice the cell, in full colour, smoothed.
    qint64 cellCost(QSize cell) { return cell.isEmpty() ? 0 : 3 * pixelBytes(cell * 2); }

    // libjpeg decodes at n/8 of the stored size, the smallest n whose result covers the cell.
    QSize reducedJpegSize(QSize stored, QSize cell)
    {
        const double factor = std::min(double(stored.width()) / cell.width(), double(stored.height()) / cell.height());
        const qint64 eighths = qBound(1, qCeil(8 / factor), 8);
        return QSize(int((stored.width() * eighths + 7) / 8), int((stored.height() * eighths + 7) / 8));
    }

    // An indexed picture whose pixels name colours past its table would make drawing and scaling
    // read beyond the table: the table is filled up to every index the depth can hold.
    void coverColourTable(QImage& image)
    {
        if (image.format() != QImage::Format_Indexed8 && image.depth() != 1)
            return;
        const int needed = 1 << image.depth();
        if (image.colorCount() >= needed)
            return;
        QList<QRgb> table = image.colorTable();
        table.resize(needed, qRgb(0, 0, 0));
        image.setColorTable(table);
    }

    // Run-length pictures may skip pixels, which the decoder leaves as it finds them: it is
    // handed a zeroed picture of the declared size to decode into, and anything else is refused.
    QImage readIntoZeroed(QImageReader& reader, QSize size)
    {
        QImage image(size, QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        image.fill(0);
        const uchar* zeroed = image.constBits();
        if (!reader.read(&image) || image.constBits() != zeroed)
            return {};
        return image;
    }

    Decoded failure(const QString& why) { return { {}, {}, why }; }

} // namespace

Decoded decodePicture(QIODevice& device, qint64 size, QSize cell, const std::atomic<bool>* cancelled)
{
    // Large photos and panoramas load; absurd headers are still refused. Set once, before any read.
    static const bool limitSet = (QImageReader::setAllocationLimit(PictureAllocationLimitMB), true);
    (void)limitSet;

    const BmpCheck bmp = checkBmp(device.peek(BmpHeaderBytes), size);
    if (bmp.kind == BmpCheck::Short)
        return failure(QStringLiteral("pixel data shorter than the header declares"));

    QImageReader reader(&device);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const bool reduced = !cell.isEmpty() && stored.isValid() && reader.format() == "jpeg";
    // The scaled size is asked for as the file stores the picture; turning it comes after.
    if (reduced)
        reader.setScaledSize(turned ? cell.transposed() : cell);

    // What the decode allocates is asked for before it starts; what cannot fit is refused.
    qint64 cost = reduced ? pixelBytes(reducedJpegSize(stored, cell)) : fullDecodeCost(device, reader);
    if (cost < 0) {
        if (!reader.canRead())
            return failure(reader.errorString());
        cost = DecodeBudget; // the headers do not say: it runs alone
    }
    cost += cellCost(cell);
    if (cost > DecodeBudget)
        return failure(QStringLiteral("too large to decode"));
    const DecodeTicket ticket(cost, cancelled);
    if (cancelled && cancelled->load())
        return failure(QStringLiteral("cancelled"));
    QImage image = bmp.kind == BmpCheck::RunLength ? readIntoZeroed(reader, bmp.size) : reader.read();
    if (image.isNull())
        return failure(reader.errorString());
    coverColourTable(image);

    const QSize natural = reduced ? (turned ? stored.transposed() : stored) : image.size();
    if (!cell.isEmpty())
        image = scaledInFullColour(std::move(image), cell);
    return { std::move(image), natural, {} };
}

QImage scaledInFullColour(QImage image, QSize size)
{
    if (image.isNull() || size.isEmpty())
        return {};
    // A picture much larger than the cell in either direction is first thinned to at most twice the
    // cell cheaply, in its own format, then smoothed down: a tall, narrow picture is never turned to
    // full colour at its whole size.
    if (image.width() > 4 * size.width() || image.height() > 4 * size.height()) {
        const QSize thin(std::min(image.width(), 2 * size.width()), std::min(image.height(), 2 * size.height()));
        image = image.scaled(thin, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    // Smoothing an indexed or 1-bit picture as it is dithers it: its colours are spread first.
    const QImage::Format full = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != full)
        image = image.convertToFormat(full);
    if (image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

bool reserveHeldBytes(qint64 bytes)
{
    if (held.fetch_add(bytes) + bytes <= HeldBytesBudget)
        return true;
    held.fetch_sub(bytes);
    return false;
}

void releaseHeldBytes(qint64 bytes) { held.fetch_sub(bytes); }

qint64 heldBytes() { return held.load(); }

} // namespace tl
