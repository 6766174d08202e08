#pragma once

// Pictures whose files carry a colour profile, shown in sRGB. A profile's conversion is made with
// Little CMS once, kept for the next pictures that carry the same profile (known by its bytes'
// hash), and applied by any number of decoding threads at once. A picture without a profile, or with
// one whose colours are sRGB's, is left as it is and costs nothing more.

#include <QByteArray>
#include <QImage>
#include <memory>

namespace tl {

// A larger profile is not used: the picture keeps its own numbers.
constexpr qint64 ColourProfileLimit = qint64(4) << 20;

// What turns a picture's numbers into sRGB. Cheap to copy; empty when nothing is to be done.
class ToSrgb {
public:
    enum Kind {
        None, // no profile, an sRGB one, one too large, or one Little CMS refuses
        Grey, // a grey profile: one tone curve for every channel
        Rgb,
        Cmyk, // four channels in: converted as the rows are decoded (cmykRow)
    };

    ToSrgb() = default;
    Kind kind() const;

    // `image` in sRGB, converted in place where its format allows. Indexed pictures have their colour
    // table converted; a premultiplied picture stays premultiplied; other formats come back as 32-bit.
    // Unchanged for None and Cmyk.
    QImage applied(QImage image) const;
    // `count` CMYK pixels (Cmyk only) into 32-bit pixels. `inverted`: 0 means full ink, as Adobe's
    // programs store CMYK; the row is changed where it lies.
    void cmykRow(uchar* cmyk, QRgb* out, int count, bool inverted) const;

    struct Conversion;

private:
    explicit ToSrgb(std::shared_ptr<const Conversion> conversion);
    std::shared_ptr<const Conversion> conversion_;
    friend ToSrgb toSrgb(const QByteArray& profile);
};

// The conversion that an embedded ICC profile's bytes ask for.
ToSrgb toSrgb(const QByteArray& profile);

// The profile a PNG's iCCP chunk holds (its data: a name, a zero, the method, a zlib stream);
// empty when it is damaged or inflates past ColourProfileLimit.
QByteArray profileOfPngChunk(const QByteArray& chunkData);

} // namespace tl
