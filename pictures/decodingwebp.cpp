// WebP pictures decoded with libwebp.

#include "pictures/decoders.h"

namespace tl {

Decoded decodeWebp(QIODevice&, qint64, QSize, const std::atomic<bool>*, const ShownFor&)
{
    return failure(QStringLiteral("WebP is not read yet"));
}

} // namespace tl
