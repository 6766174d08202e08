#pragma once

// The memory progressive JPEG decodes hold together. Such a decode keeps the coefficients of the whole
// picture until its last scan, whatever the scale: a cell of a 12-megapixel photo holds 36 MB while it
// decodes, against the 34 KB it keeps. A page of them decoding on every thread (its cells, and the
// rows prefetched around it) would hold several of those at once; here they take turns instead.

#include <QtGlobal>
#include <atomic>

namespace tl {

// What progressive decodes in flight may hold together: two 12-megapixel photos at once, one for each
// core. A larger decode runs alone.
constexpr qint64 ProgressiveBudget = qint64(96) << 20;

// A share of the progressive budget, held while one progressive decode runs. The constructor waits
// until `cost` bytes fit beside the decodes in flight, or until none is in flight for a cost past the
// whole budget; a cost of 0 waits for nothing. A wait cancelled through `cancelled` gives up and holds
// nothing (the waiter looks at its flag now and then). A decode on a thread of the lowest priority (the
// rows prefetched around a page) lets every other waiter go first. Take it before the decode budget's
// own share.
class ProgressiveShare {
public:
    ProgressiveShare(qint64 cost, const std::atomic<bool>* cancelled);
    ~ProgressiveShare();
    ProgressiveShare(const ProgressiveShare&) = delete;
    ProgressiveShare& operator=(const ProgressiveShare&) = delete;

private:
    qint64 cost_ = 0;
};

// With `asBefore`, progressive decodes no longer take turns (each share holds nothing), as before they
// did; for benchmarks that measure both in one run. Set it only while nothing decodes.
void setProgressiveDecodesForBenchmarks(bool asBefore);

} // namespace tl
