// AVIF pictures decoded with libavif.

#include "pictures/decoders.h"

namespace tl {

Decoded decodeAvif(QIODevice&, qint64, QSize, const std::atomic<bool>*, const ShownFor&)
{
    return failure(QStringLiteral("AVIF is not read yet"));
}

} // namespace tl
