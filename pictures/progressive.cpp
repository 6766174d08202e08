#include "pictures/progressive.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tl {

namespace {

    constexpr int Coefficients = 64;
    constexpr qint64 ReadChunk = 64 * 1024;
    constexpr int MostComponents = 4; // the most a scan can hold, and more than a picture we show has

    struct Place {
        int row = 0, column = 0;
    };
    // Where each coefficient in zigzag order stands in its block.
    constexpr std::array<Place, Coefficients> zigzag()
    {
        std::array<Place, Coefficients> places {};
        size_t k = 0;
        for (int sum = 0; sum < 15; ++sum) {
            const int low = std::max(0, sum - 7), high = std::min(sum, 7);
            for (int i = low; i <= high; ++i) {
                const int row = sum % 2 ? i : low + high - i;
                places[k++] = { row, sum - row };
            }
        }
        return places;
    }
    constexpr std::array<Place, Coefficients> Zigzag = zigzag();

    // Whether libjpeg-turbo's transform to blocks of `size` pixels reads a block's row or column `line`:
    // the first n of them for n pixels, but for two and four the odd ones up to the last as well.
    bool usedAt(int size, int line)
    {
        if (size == 2)
            return line == 0 || line % 2 == 1;
        if (size == 4)
            return line != 4;
        return line < size;
    }

    // The file's head as far as it has been read, read on in chunks as the walk needs.
    class Head {
    public:
        Head(QIODevice& device, qint64 size, qint64 most, const std::atomic<bool>* cancelled)
            : device_(device)
            , bound_(std::min(size, most))
            , size_(size)
            , cancelled_(cancelled)
        {
        }

        // Whether the `count` bytes from `at` are there, reading on for them. False past the bound, at
        // the file's end (then ended() says so), or when cancelled.
        bool has(qint64 at, qint64 count)
        {
            while (bytes.size() < at + count) {
                if (cancelled_ && cancelled_->load(std::memory_order_relaxed))
                    return false;
                const qint64 old = bytes.size();
                const qint64 wanted = std::min(ReadChunk, bound_ - old);
                if (wanted <= 0) {
                    ended_ = old >= size_;
                    return false;
                }
                bytes.resize(old + wanted);
                const qint64 got = device_.read(bytes.data() + old, wanted);
                bytes.resize(old + std::max<qint64>(got, 0));
                if (got <= 0) {
                    ended_ = got == 0;
                    return false;
                }
            }
            return true;
        }
        bool ended() const { return ended_; }
        int at(qint64 offset) const { return uchar(bytes[offset]); }
        int word(qint64 offset) const { return at(offset) << 8 | at(offset + 1); }

        // Past a scan's data from `at`: to the next marker that is not a restart, or to the file's end.
        // False when the data was not read to either.
        bool skipScanData(qint64& at)
        {
            for (;;) {
                const char* from = bytes.constData() + at;
                const void* found = std::memchr(from, 0xff, size_t(bytes.size() - at));
                if (!found) {
                    at = bytes.size();
                    if (!has(at, 1))
                        return ended_;
                    continue;
                }
                at += static_cast<const char*>(found) - from;
                if (!has(at, 2))
                    return ended_;
                const int next = this->at(at + 1);
                if (next != 0 && next != 0xff && (next < 0xd0 || next > 0xd7))
                    return true;
                at += next == 0xff ? 1 : 2;
            }
        }

        QByteArray bytes;

    private:
        QIODevice& device_;
        const qint64 bound_, size_;
        const std::atomic<bool>* const cancelled_;
        bool ended_ = false;
    };

} // namespace

bool firstScansServe(const int (*bits)[64], const std::vector<int>& blockSizes, bool meansOnly)
{
    const bool eighth = !blockSizes.empty() && *std::min_element(blockSizes.begin(), blockSizes.end()) == 1;
    for (size_t c = 0; c < blockSizes.size(); ++c)
        for (int k = 0; k < Coefficients; ++k) {
            const int missing = bits[c][k];
            const Place place = Zigzag[size_t(k)];
            const bool used = eighth && meansOnly
                ? k == 0
                : usedAt(blockSizes[c], place.row) && usedAt(blockSizes[c], place.column);
            if (used && (missing < 0 || missing > (eighth ? 1 : 0)))
                return false;
        }
    return true;
}

QByteArray readFirstScans(
    QIODevice& device, qint64 size, const std::vector<int>& blockSizes, qint64 most, const std::atomic<bool>* cancelled)
{
    Head head(device, size, most, cancelled);
    if (!head.has(0, 2) || head.word(0) != 0xffd8)
        return {};
    std::vector<int> ids; // the frame's components in order
    int bits[MostComponents][Coefficients] {}; // as firstScansServe() takes them
    qint64 at = 2;
    for (;;) {
        if (!head.has(at, 2) || head.at(at) != 0xff)
            return {};
        while (head.at(at + 1) == 0xff)
            if (!head.has(++at, 2))
                return {};
        const int marker = head.at(at + 1);
        at += 2;
        if ((marker >= 0xd0 && marker <= 0xd7) || marker == 0x01) // restarts and TEM stand alone
            continue;
        if (marker == 0xd8 || marker == 0xd9 || !head.has(at, 2))
            return {};
        const int length = head.word(at);
        if (length < 2 || !head.has(at, length))
            return {};
        if (marker == 0xc2 || marker == 0xca) { // a progressive frame, Huffman or arithmetic
            const int count = length >= 8 ? head.at(at + 7) : 0;
            if (!ids.empty() || count != int(blockSizes.size()) || count > MostComponents || length < 8 + 3 * count)
                return {};
            for (int i = 0; i < count; ++i)
                ids.push_back(head.at(at + 8 + 3 * i));
            std::fill(&bits[0][0], &bits[0][0] + MostComponents * Coefficients, -1);
        } else if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
            return {}; // a frame of another kind
        } else if (marker == 0xda) {
            const int count = length >= 3 ? head.at(at + 2) : 0;
            if (ids.empty() || count < 1 || length < 6 + 2 * count)
                return {};
            const qint64 spectral = at + 3 + 2 * count;
            const int first = head.at(spectral), last = head.at(spectral + 1), low = head.at(spectral + 2) & 15;
            if (first > last || last >= Coefficients)
                return {};
            std::vector<size_t> components;
            for (int i = 0; i < count; ++i) {
                const auto found = std::find(ids.begin(), ids.end(), head.at(at + 3 + 2 * i));
                if (found == ids.end())
                    return {};
                components.push_back(size_t(found - ids.begin()));
            }
            at += length;
            if (!head.skipScanData(at))
                return {};
            for (const size_t c : components)
                std::fill(bits[c] + first, bits[c] + last + 1, low);
            // A file that ends (cut short) after its blocks' means makes its cell from them.
            if (!firstScansServe(bits, blockSizes))
                if (!head.ended() || !firstScansServe(bits, blockSizes, true))
                    continue;
            if (head.ended())
                return head.bytes;
            // Served only at the end, the file is read whole anyway: nothing is saved.
            if (head.at(at + 1) == 0xd9)
                return {};
            return head.bytes.left(at) + QByteArray("\xff\xd9", 2);
        }
        at += length;
    }
}

} // namespace tl
