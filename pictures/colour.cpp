#include "pictures/colour.h"

#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <lcms2.h>
#include <list>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>
#include <zlib.h>

namespace tl {

namespace {

    // QRgb as it lies in memory.
    constexpr cmsUInt32Number PixelType = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

    // Owners of Little CMS's handles.
    // Owns a Little CMS handle, closed with `close` when it goes.
    template <typename Handle, void (*close)(Handle)> struct Owned {
        Handle handle;
        explicit Owned(Handle h)
            : handle(h)
        {
        }
        ~Owned()
        {
            if (handle)
                close(handle);
        }
        Owned(const Owned&) = delete;
        Owned& operator=(const Owned&) = delete;
    };

    void closeProfile(cmsHPROFILE profile) { cmsCloseProfile(profile); }
    void deleteTransform(cmsHTRANSFORM transform) { cmsDeleteTransform(transform); }

    using Profile = Owned<cmsHPROFILE, closeProfile>;
    using Transform = Owned<cmsHTRANSFORM, deleteTransform>;

    // A conversion whose every sample lands within a level of where it started changes nothing a
    // screen shows: the picture is left as it is.
    constexpr int IdentityTolerance = 1;

    // Whether `profile` (RGB) means sRGB's colours: its colorimetric conversion to sRGB moves no level
    // of a grid through the colour cube, nor any grey, by more than the tolerance.
    bool meansSrgb(cmsHPROFILE profile, cmsHPROFILE srgb)
    {
        const Transform check(
            cmsCreateTransform(profile, TYPE_RGB_8, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
        if (!check.handle)
            return false;
        std::vector<uchar> samples;
        for (int r = 0; r < 256; r += 17)
            for (int g = 0; g < 256; g += 17)
                for (int b = 0; b < 256; b += 17)
                    samples.insert(samples.end(), { uchar(r), uchar(g), uchar(b) });
        for (int level = 0; level < 256; ++level)
            samples.insert(samples.end(), 3, uchar(level));
        std::vector<uchar> out(samples.size());
        cmsDoTransform(check.handle, samples.data(), out.data(), cmsUInt32Number(samples.size() / 3));
        for (size_t i = 0; i < samples.size(); ++i)
            if (std::abs(int(samples[i]) - int(out[i])) > IdentityTolerance)
                return false;
        return true;
    }

    void silenceLittleCms()
    {
        // A refused profile is the picture's own fault and leaves it as it is: nothing to print.
        static std::once_flag once;
        std::call_once(once, [] { cmsSetLogErrorHandler([](cmsContext, cmsUInt32Number, const char*) {}); });
    }

} // namespace

namespace {

    // The conversion of a matrix-shaper profile (a tone curve for each channel, then a matrix), as most
    // embedded RGB profiles are: in linear light each channel adds its own share to each of sRGB's, so
    // three tables of the shares and one of sRGB's tone curve give it exactly, several times faster than
    // Little CMS's own 8-bit path.
    class ChannelSums {
    public:
        // False when the profile is not of that kind.
        bool make(cmsHPROFILE profile)
        {
            if (!cmsIsMatrixShaper(profile))
                return false;
            const cmsCIExyY d65 { 0.3127, 0.3290, 1 };
            const cmsCIExyYTRIPLE primaries { { 0.64, 0.33, 1 }, { 0.30, 0.60, 1 }, { 0.15, 0.06, 1 } };
            cmsToneCurve* straight = cmsBuildGamma(nullptr, 1.0);
            cmsToneCurve* curves[] = { straight, straight, straight };
            const Profile linear(straight ? cmsCreateRGBProfile(&d65, &primaries, curves) : nullptr);
            cmsFreeToneCurve(straight);
            if (!linear.handle)
                return false;
            const Transform toLinear(cmsCreateTransform(
                profile, TYPE_RGB_FLT, linear.handle, TYPE_RGB_FLT, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
            if (!toLinear.handle)
                return false;
            std::vector<float> in(3 * 3 * 256, 0.0f), out(in.size());
            for (int channel = 0; channel < 3; ++channel)
                for (int level = 0; level < 256; ++level)
                    in[size_t(3 * (256 * channel + level) + channel)] = float(level) / 255;
            cmsDoTransform(toLinear.handle, in.data(), out.data(), 3 * 256);
            // A curve that gives no number (a damaged profile's) would index past the tone curve's table.
            if (!std::all_of(out.begin(), out.end(), [](float value) { return std::isfinite(value); }))
                return false;
            for (int channel = 0; channel < 3; ++channel)
                for (int level = 0; level < 256; ++level)
                    for (int i = 0; i < 3; ++i)
                        shares_[size_t(channel)][size_t(level)][size_t(i)]
                            = out[size_t(3 * (256 * channel + level) + i)];
            // Black adds nothing, and the sums give what Little CMS gives, through the cube.
            std::vector<float> mixes, sums, got;
            for (int r = 0; r < 256; r += 51)
                for (int g = 0; g < 256; g += 51)
                    for (int b = 0; b < 256; b += 51) {
                        mixes.insert(mixes.end(), { float(r) / 255, float(g) / 255, float(b) / 255 });
                        for (int i = 0; i < 3; ++i)
                            sums.push_back(shares_[0][size_t(r)][size_t(i)] + shares_[1][size_t(g)][size_t(i)]
                                + shares_[2][size_t(b)][size_t(i)]);
                    }
            got.resize(mixes.size());
            cmsDoTransform(toLinear.handle, mixes.data(), got.data(), cmsUInt32Number(mixes.size() / 3));
            for (size_t i = 0; i < got.size(); ++i)
                if (!(std::abs(got[i] - sums[i]) <= 1e-4f))
                    return false;
            for (int step = 0; step < EncodeSteps; ++step) {
                const double value = double(step) / (EncodeSteps - 1);
                const double encoded = value <= 0.0031308 ? 12.92 * value : 1.055 * std::pow(value, 1 / 2.4) - 0.055;
                encode_[size_t(step)] = uchar(std::clamp(int(encoded * 255 + 0.5), 0, 255));
            }
            return true;
        }

        void apply(QRgb* pixels, int count) const
        {
            for (QRgb* p = pixels; p < pixels + count; ++p) {
                const auto& r = shares_[0][size_t(qRed(*p))];
                const auto& g = shares_[1][size_t(qGreen(*p))];
                const auto& b = shares_[2][size_t(qBlue(*p))];
                const auto level = [&](int i) {
                    const float linear = std::clamp(r[size_t(i)] + g[size_t(i)] + b[size_t(i)], 0.0f, 1.0f);
                    return encode_[size_t(linear * (EncodeSteps - 1) + 0.5f)];
                };
                *p = qRgba(level(0), level(1), level(2), qAlpha(*p));
            }
        }

    private:
        // sRGB's tone curve, finely enough that no level is missed where it is steepest (near black).
        static constexpr int EncodeSteps = 1 << 14;
        std::array<std::array<std::array<float, 3>, 256>, 3> shares_ {}; // by channel, level: linear sRGB
        std::array<uchar, EncodeSteps> encode_ {};
    };

} // namespace

struct ToSrgb::Conversion {
    Kind kind = None;
    // Cmyk, and Rgb of other profiles than matrix-shapers; applied by many threads at once (no cache)
    cmsHTRANSFORM transform = nullptr;
    std::unique_ptr<ChannelSums> sums; // Rgb of a matrix-shaper profile
    std::array<uchar, 256> levels {}; // Grey: each level's sRGB level

    Conversion() = default;
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;
    ~Conversion()
    {
        if (transform)
            cmsDeleteTransform(transform);
    }

    // None when the profile is refused or means sRGB.
    static std::shared_ptr<const Conversion> make(const QByteArray& bytes)
    {
        silenceLittleCms();
        const Profile profile(cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size())));
        if (!profile.handle)
            return nullptr;
        // Device links, abstract and named-colour profiles describe no picture's colours.
        const cmsProfileClassSignature profileClass = cmsGetDeviceClass(profile.handle);
        if (profileClass != cmsSigInputClass && profileClass != cmsSigDisplayClass && profileClass != cmsSigOutputClass
            && profileClass != cmsSigColorSpaceClass)
            return nullptr;
        const Profile srgb(cmsCreate_sRGBProfile());
        if (!srgb.handle)
            return nullptr;
        auto made = std::make_shared<Conversion>();
        const cmsUInt32Number noCache = cmsFLAGS_NOCACHE;
        switch (cmsGetColorSpace(profile.handle)) {
        case cmsSigRgbData:
            if (meansSrgb(profile.handle, srgb.handle))
                return nullptr;
            made->kind = Rgb;
            made->sums = std::make_unique<ChannelSums>();
            if (!made->sums->make(profile.handle)) {
                made->sums.reset();
                made->transform = cmsCreateTransform(profile.handle, PixelType, srgb.handle, PixelType,
                    INTENT_PERCEPTUAL, noCache | cmsFLAGS_COPY_ALPHA);
            }
            break;
        case cmsSigCmykData:
            made->kind = Cmyk;
            made->transform
                = cmsCreateTransform(profile.handle, TYPE_CMYK_8, srgb.handle, PixelType, INTENT_PERCEPTUAL, noCache);
            break;
        case cmsSigGrayData: {
            const Transform grey(
                cmsCreateTransform(profile.handle, TYPE_GRAY_8, srgb.handle, TYPE_RGB_8, INTENT_PERCEPTUAL, noCache));
            if (!grey.handle)
                return nullptr;
            std::array<uchar, 256> in;
            std::array<uchar, 3 * 256> out;
            for (int level = 0; level < 256; ++level)
                in[size_t(level)] = uchar(level);
            cmsDoTransform(grey.handle, in.data(), out.data(), 256);
            bool same = true;
            for (size_t level = 0; level < 256; ++level) {
                made->levels[level] = uchar((out[3 * level] + out[3 * level + 1] + out[3 * level + 2] + 1) / 3);
                same = same && std::abs(int(made->levels[level]) - int(level)) <= IdentityTolerance;
            }
            if (same)
                return nullptr;
            made->kind = Grey;
            return made;
        }
        default:
            return nullptr;
        }
        return made->transform || made->sums ? made : nullptr;
    }
};

namespace {

    // How many profiles' conversions are kept; the one used longest ago goes first.
    constexpr int KeptConversions = 16;

    // The conversions made so far, by their profile's hash; a refused or sRGB profile is kept as none,
    // so that it is not read again. Made once and never destroyed: decodes may still run while the
    // process ends.
    struct Kept {
        std::mutex mutex;
        std::list<std::pair<QByteArray, std::shared_ptr<const ToSrgb::Conversion>>> recent; // most recent first
    };
    Kept& kept()
    {
        static Kept* const shared = new Kept;
        return *shared;
    }

} // namespace

ToSrgb::ToSrgb(std::shared_ptr<const Conversion> conversion)
    : conversion_(std::move(conversion))
{
}

ToSrgb::Kind ToSrgb::kind() const { return conversion_ ? conversion_->kind : None; }

ToSrgb toSrgb(const QByteArray& profile)
{
    if (profile.isEmpty() || profile.size() > ColourProfileLimit)
        return {};
    const QByteArray key = QCryptographicHash::hash(profile, QCryptographicHash::Sha256);
    Kept& shared = kept();
    {
        const std::lock_guard lock(shared.mutex);
        const auto found = std::find_if(
            shared.recent.begin(), shared.recent.end(), [&](const auto& entry) { return entry.first == key; });
        if (found != shared.recent.end()) {
            shared.recent.splice(shared.recent.begin(), shared.recent, found);
            return ToSrgb(found->second);
        }
    }
    // Made outside the lock: another thread's pictures need not wait for it. Two threads may make the
    // same conversion at once; the first one kept stays.
    std::shared_ptr<const ToSrgb::Conversion> made = ToSrgb::Conversion::make(profile);
    const std::lock_guard lock(shared.mutex);
    const auto found = std::find_if(
        shared.recent.begin(), shared.recent.end(), [&](const auto& entry) { return entry.first == key; });
    if (found != shared.recent.end())
        return ToSrgb(found->second);
    shared.recent.emplace_front(key, made);
    if (shared.recent.size() > size_t(KeptConversions))
        shared.recent.pop_back();
    return ToSrgb(std::move(made));
}

QImage ToSrgb::applied(QImage image) const
{
    const Kind how = kind();
    if (image.isNull() || how == None || how == Cmyk)
        return image;
    const auto convertPixels = [&](QRgb* pixels, int count) {
        if (how == Rgb && conversion_->sums) {
            conversion_->sums->apply(pixels, count);
            return;
        }
        if (how == Rgb) {
            cmsDoTransform(conversion_->transform, pixels, pixels, cmsUInt32Number(count));
            return;
        }
        const auto& levels = conversion_->levels;
        for (QRgb* p = pixels; p < pixels + count; ++p)
            *p = qRgba(levels[qRed(*p)], levels[qGreen(*p)], levels[qBlue(*p)], qAlpha(*p));
    };
    switch (image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
        QList<QRgb> table = image.colorTable();
        convertPixels(table.data(), int(table.size()));
        image.setColorTable(table);
        return image;
    }
    case QImage::Format_Grayscale8:
        if (how == Grey) {
            for (int y = 0; y < image.height(); ++y) {
                uchar* line = image.scanLine(y);
                for (uchar* p = line; p < line + image.width(); ++p)
                    *p = conversion_->levels[*p];
            }
            return image;
        }
        break;
    default:
        break;
    }
    // Colours are converted apart from their transparency: a premultiplied picture is taken apart first.
    const QImage::Format was = image.format();
    const QImage::Format straight = image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (was != straight)
        image = std::move(image).convertToFormat(straight);
    for (int y = 0; y < image.height(); ++y)
        convertPixels(reinterpret_cast<QRgb*>(image.scanLine(y)), image.width());
    if (was == QImage::Format_ARGB32_Premultiplied)
        image = std::move(image).convertToFormat(was);
    return image;
}

void ToSrgb::cmykRow(uchar* cmyk, QRgb* out, int count, bool inverted) const
{
    if (kind() != Cmyk)
        return;
    if (inverted)
        for (uchar* p = cmyk; p < cmyk + 4 * count; ++p)
            *p = uchar(255 - *p);
    cmsDoTransform(conversion_->transform, cmyk, out, cmsUInt32Number(count));
    for (QRgb* p = out; p < out + count; ++p)
        *p |= 0xff000000u;
}

QByteArray profileOfPngChunk(const QByteArray& chunkData)
{
    // A name of 1 to 79 bytes, its zero, then method 0 (deflate).
    const qsizetype nameEnd = chunkData.indexOf('\0');
    if (nameEnd < 1 || nameEnd > 79 || nameEnd + 2 > chunkData.size() || chunkData[nameEnd + 1] != 0)
        return {};
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return {};
    QByteArray profile;
    profile.resize(std::min<qsizetype>(ColourProfileLimit, 64 * 1024));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunkData.constData() + nameEnd + 2));
    stream.avail_in = uInt(chunkData.size() - nameEnd - 2);
    int result = Z_OK;
    while (result == Z_OK) {
        if (stream.total_out == uLong(profile.size())) {
            if (profile.size() == ColourProfileLimit)
                break; // more than a profile may be
            profile.resize(std::min<qsizetype>(ColourProfileLimit, 4 * profile.size()));
        }
        stream.next_out = reinterpret_cast<Bytef*>(profile.data() + stream.total_out);
        stream.avail_out = uInt(profile.size() - qsizetype(stream.total_out));
        result = inflate(&stream, Z_NO_FLUSH);
    }
    const qsizetype length = qsizetype(stream.total_out);
    inflateEnd(&stream);
    if (result != Z_STREAM_END)
        return {};
    profile.truncate(length);
    return profile;
}

} // namespace tl
