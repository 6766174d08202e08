#pragma once

// One still WebP bitstream decoded with libwebp: a whole file, or the fragment of an animation's frame.
// It is read from bytes in memory a part at a time, so that a cut file shows the rows it holds and a
// cancelled decode stops between parts. For the WebP decoding files alone.

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <atomic>
#include <webp/decode.h>

namespace tl {

struct WebpStill {
    // ARGB32, or RGB32 for an opaque picture decoded whole; null when nothing could be decoded.
    QImage image;
    bool incomplete = false; // the bytes ended before the picture did: the rows they lack are transparent
    QString why; // when `image` is null
};

// The header fields of the WebP whose first bytes are `head`, of a file `fileSize` bytes long. A file
// whose first image chunk lies past `head` (after a large profile) is taken as lossless, the costlier
// kind, with the canvas its extended header gives. False when `head` is no WebP's.
bool webpFeatures(QByteArrayView head, qint64 fileSize, WebPBitstreamFeatures& features);

// What libwebp allocates decoding a bitstream of `features` to `size`, the picture it makes included:
// for a lossless bitstream the whole picture in ARGB whatever the size made, for a lossy one with
// transparency its whole alpha plane, and rows of working memory.
qint64 webpStillCost(const WebPBitstreamFeatures& features, QSize size);

// Decodes `bytes` to `size`, scaled by libwebp when that is not the bitstream's own size.
WebpStill decodeWebpStill(QByteArrayView bytes, QSize size, const std::atomic<bool>* cancelled);

} // namespace tl
