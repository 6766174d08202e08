#pragma once

// The first scans of a progressive JPEG. A cell needs only the coefficients its scale uses (at 1/8,
// each block's DC, and the lowest few of colours stored at half resolution), and such a file brings
// those in its first scans: a cell is made from them alone.

#include <QByteArray>
#include <QIODevice>
#include <atomic>
#include <vector>

namespace tl {

// Whether the coefficient bits known so far give every coefficient a decode uses whose components'
// blocks come out `blockSizes` pixels wide (JpegDecoder::blockSizes(), one a component). `bits[c][k]`
// is, for the frame's component c and the k-th coefficient in zigzag order, -1 while no scan has
// brought it, else the low bits still missing (libjpeg's coef_bits). At 1/8 (blocks of one pixel, and
// of two for colours stored at half resolution) each coefficient used serves to within its last bit,
// which changes a cell by a level or two; `meansOnly` asks only for each block's DC there, which
// leaves out a subsampled colour's detail within a block. At larger scales each coefficient the
// transform reads must be whole.
bool firstScansServe(const int (*bits)[64], const std::vector<int>& blockSizes, bool meansOnly = false);

// The head of the progressive JPEG `device` holds (open at its start, `size` bytes long), read up to
// the end of the first scans that serve a decode with those `blockSizes`, with an end marker of its own; a file
// that ends right after them, or at 1/8 right after the scans that give every block's DC, is given as
// it is. Null, having read at most `most` bytes, when the file
// is not a progressive JPEG, when its scans serve only at its end or never, when its markers are not a
// JPEG's, or when the read is cancelled.
QByteArray readFirstScans(QIODevice& device, qint64 size, const std::vector<int>& blockSizes, qint64 most,
    const std::atomic<bool>* cancelled = nullptr);

} // namespace tl
