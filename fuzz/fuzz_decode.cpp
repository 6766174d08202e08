// Arbitrary bytes through decodePicture as the loaders call it, whatever format the bytes name: a
// cell's decode, a full one and one for viewing at a third of the natural size (which a PNG, WebP or
// JPEG may make reduced). Each result must keep the promises callers build on: a cell of exactly the
// cell's size, a picture of the natural size or (for a view) no larger, a reason for every failure.

#include "pictures/decoding.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

using namespace tl;

namespace {

Decoded decoded(const QByteArray& bytes, QSize cell, const ShownFor& shownFor = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return shownFor ? decodePictureForView(buffer, bytes.size(), shownFor) : decodePicture(buffer, bytes.size(), cell);
}

void check(bool promise)
{
    if (!promise)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QSize cell(105, 81);
    const Decoded small = decoded(bytes, cell);
    check(small.image.isNull() ? !small.why.isEmpty() : small.image.size() == cell);
    const Decoded full = decoded(bytes, {});
    check(full.image.isNull() ? !full.why.isEmpty() : full.image.size() == full.natural);
    const Decoded view = decoded(bytes, {}, [](QSize natural) { return natural / 3; });
    if (!view.image.isNull())
        check(view.image.width() <= view.natural.width() && view.image.height() <= view.natural.height());
    return 0;
}
