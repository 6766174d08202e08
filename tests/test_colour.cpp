// Pictures that carry a colour profile, shown in sRGB: a chart of patches written in a wide-gamut
// space, with that space's profile embedded, comes back as the patches' sRGB colours.

#include "pictures/decoding.h"
#include "pictures/jpeg.h"
#include "tests/avif_files.h"
#include "tests/picture_files.h"
#include "tests/profiles.h"
#include "tests/webp_files.h"

#include <QBuffer>
#include <cmath>
#include <gtest/gtest.h>
#include <lcms2.h>
#include <zlib.h>

using namespace tl;
using namespace tl::test;

namespace {

enum class Space { Srgb, AdobeRgb, DisplayP3, ProPhoto, Bt2020 };

cmsHPROFILE open(Space space)
{
    if (space == Space::Srgb)
        return cmsCreate_sRGBProfile();
    cmsCIExyY d65 { 0.3127, 0.3290, 1 }, d50 { 0.3457, 0.3585, 1 };
    const double srgbCurve[] = { 2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045 };
    const double bt709Curve[] = { 1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081 };
    cmsToneCurve* curve = space == Space::DisplayP3 ? cmsBuildParametricToneCurve(nullptr, 4, srgbCurve)
        : space == Space::Bt2020                    ? cmsBuildParametricToneCurve(nullptr, 4, bt709Curve)
                                 : cmsBuildGamma(nullptr, space == Space::ProPhoto ? 1.8 : 563 / 256.0);
    const cmsCIExyYTRIPLE primaries = space == Space::AdobeRgb
        ? cmsCIExyYTRIPLE { { 0.64, 0.33, 1 }, { 0.21, 0.71, 1 }, { 0.15, 0.06, 1 } }
        : space == Space::Bt2020 ? cmsCIExyYTRIPLE { { 0.708, 0.292, 1 }, { 0.170, 0.797, 1 }, { 0.131, 0.046, 1 } }
        : space == Space::DisplayP3
        ? cmsCIExyYTRIPLE { { 0.680, 0.320, 1 }, { 0.265, 0.690, 1 }, { 0.150, 0.060, 1 } }
        : cmsCIExyYTRIPLE { { 0.7347, 0.2653, 1 }, { 0.1596, 0.8404, 1 }, { 0.0366, 0.0001, 1 } };
    cmsToneCurve* curves[] = { curve, curve, curve };
    cmsHPROFILE profile = cmsCreateRGBProfile(space == Space::ProPhoto ? &d50 : &d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    // Profiles come as a screen's, a colour space's (as ProPhoto's) and a camera's or scanner's.
    if (space != Space::AdobeRgb)
        cmsSetDeviceClass(profile, space == Space::ProPhoto ? cmsSigColorSpaceClass : cmsSigInputClass);
    return profile;
}

// The chart's patches in sRGB, each 16 x 16 (a whole JPEG block of every channel).
const QList<QRgb> Patches { qRgb(200, 40, 40), qRgb(40, 170, 60), qRgb(40, 60, 190), qRgb(220, 170, 140),
    qRgb(128, 128, 128), qRgb(230, 210, 60), qRgb(255, 255, 255), qRgb(0, 0, 0) };
constexpr int Patch = 16;

// The chart with each patch's colour written in `space`'s numbers.
QImage chartIn(Space space)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), target = open(space);
    cmsHTRANSFORM toSpace
        = cmsCreateTransform(srgb, TYPE_BGRA_8, target, TYPE_BGRA_8, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA);
    QList<QRgb> numbers = Patches;
    cmsDoTransform(toSpace, numbers.data(), numbers.data(), cmsUInt32Number(numbers.size()));
    cmsDeleteTransform(toSpace);
    cmsCloseProfile(srgb);
    cmsCloseProfile(target);
    QImage chart(Patch * int(numbers.size()), Patch, QImage::Format_RGB32);
    for (int x = 0; x < chart.width(); ++x)
        for (int y = 0; y < Patch; ++y)
            chart.setPixel(x, y, numbers[x / Patch] | 0xff000000u);
    return chart;
}

// `jpeg` with `profile` in APP2 chunks of at most `chunk` bytes, right after its SOI.
QByteArray jpegWith(QByteArray jpeg, const QByteArray& profile, int chunk = 60000)
{
    const int count = int((profile.size() + chunk - 1) / chunk);
    QByteArray segments;
    for (int i = 0; i < count; ++i)
        segments += jpegSegment(
            0xe2, QByteArray("ICC_PROFILE", 12) + char(i + 1) + char(count) + profile.mid(i * chunk, chunk));
    return jpeg.insert(2, segments);
}

// A 24-bit BMP with a V5 header whose profile follows the pixels.
QByteArray bmpWith(const QImage& picture, const QByteArray& profile)
{
    QByteArray pixels;
    for (int y = picture.height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.width(); ++x)
            putLe(pixels, picture.pixel(x, y) & 0xffffff, 3);
        pixels.append((4 - picture.width() * 3 % 4) % 4, '\0');
    }
    QByteArray header;
    for (const quint32 value : { 124u, quint32(picture.width()), quint32(picture.height()) })
        putLe(header, value, 4);
    putLe(header, 1, 2);
    putLe(header, 24, 2);
    for (const quint32 value : { 0u, quint32(pixels.size()), 2835u, 2835u, 0u, 0u, 0u, 0u, 0u, 0u })
        putLe(header, value, 4);
    putLe(header, profile.isEmpty() ? 0x73524742 : 0x4d424544, 4); // 'sRGB' or 'MBED'
    header.append(48, '\0'); // end points and gamma
    for (const quint32 value : { 4u, quint32(124 + pixels.size()), quint32(profile.size()), 0u })
        putLe(header, value, 4);
    QByteArray file("BM");
    putLe(file, quint32(14 + header.size() + pixels.size() + profile.size()), 4);
    putLe(file, 0, 4);
    putLe(file, quint32(14 + header.size()), 4);
    return file + header + pixels + profile;
}

// A PNG that carries `profile` in an iCCP chunk.
QByteArray pngWith(const QImage& picture, const QByteArray& profile)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "png");
    QByteArray png = buffer.data();
    if (!profile.isEmpty()) {
        const QByteArray data = QByteArray("chart\0\0", 7) + qCompress(profile).mid(4);
        QByteArray chunk;
        putLe(chunk, qToBigEndian(quint32(data.size())), 4);
        chunk += "iCCP" + data;
        putLe(chunk,
            qToBigEndian(
                quint32(crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), uInt(chunk.size() - 4)))),
            4);
        png.insert(33, chunk); // after the signature and the header chunk
    }
    return png;
}

// An icon of one PNG entry whose PNG carries `profile` in an iCCP chunk.
QByteArray iconWith(const QImage& picture, const QByteArray& profile)
{
    const QByteArray png = pngWith(picture, profile);
    QByteArray icon;
    for (const quint32 value : { 0u, 1u, 1u })
        putLe(icon, value, 2);
    icon += char(picture.width()) + QByteArray(1, char(picture.height())) + QByteArray(2, '\0');
    for (const quint32 value : { 1u, 32u })
        putLe(icon, value, 2);
    putLe(icon, quint32(png.size()), 4);
    putLe(icon, 22, 4);
    return icon + png;
}

enum class Container { Jpeg, Bmp, Icon, CameraThumbnail, ProgressiveJpeg, Avif, AvifCoded, Png };

// A coded AVIF tags `space` by the numbers of its primaries and transfer instead of a profile.
QByteArray fileOf(Container container, const QImage& picture, const QByteArray& profile, Space space = Space::Srgb)
{
    switch (container) {
    case Container::Avif:
    case Container::AvifCoded:
        return avifFile({ picture }, [&](AvifRecipe& s) {
            s.lossless = true;
            if (container == Container::Avif)
                s.icc = profile;
            else if (space == Space::Bt2020)
                s.primaries = AVIF_COLOR_PRIMARIES_BT2020, s.transfer = AVIF_TRANSFER_CHARACTERISTICS_BT709;
            else
                s.primaries = AVIF_COLOR_PRIMARIES_SMPTE432, s.transfer = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
        });
    case Container::Jpeg:
        return profile.isEmpty() ? jpegBytes(picture) : jpegWith(jpegBytes(picture), profile);
    case Container::Bmp:
        return bmpWith(picture, profile);
    case Container::Png:
        return pngWith(picture, profile);
    case Container::ProgressiveJpeg:
        return jpegWith(libjpegFile(picture, { .progressive = true }), profile);
    case Container::CameraThumbnail: {
        const QImage photo = picture.scaled(picture.size() * 2);
        return jpegWith(withCameraExif(jpegBytes(photo), jpegBytes(picture), 1, photo.size()), profile);
    }
    default:
        return iconWith(picture, profile);
    }
}

// As a cell or a picture is made from the file: from a camera's thumbnail or a progressive file's
// first scans where the container says so.
QImage decoded(const QByteArray& bytes, QSize cell, Container container = Container::Jpeg)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const Decoded made = container == Container::CameraThumbnail
        ? decodeExifThumbnail(JpegDecoder(buffer, copy.size()), cell)
        : container == Container::ProgressiveJpeg ? decodeFirstScans(copy, cell)
                                                  : decodePicture(buffer, copy.size(), cell);
    return made.image.convertToFormat(QImage::Format_RGB32);
}

// The CIE76 difference between two sRGB colours.
double difference(QRgb a, QRgb b)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_BGRA_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    const QRgb in[] = { a, b };
    cmsCIELab out[2];
    cmsDoTransform(toLab, in, out, 2);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    return cmsDeltaE(&out[0], &out[1]);
}

struct ChartRow {
    const char* name;
    Container container;
    Space space;
    QSize cell; // empty: the full picture
};

class ColourCharts : public testing::TestWithParam<ChartRow> { };

TEST_P(ColourCharts, ComeBackAsTheirSrgbColours)
{
    const ChartRow row = GetParam();
    const QImage chart = chartIn(row.space);
    const QImage image
        = decoded(fileOf(row.container, chart, savedProfile(open(row.space)), row.space), row.cell, row.container);
    ASSERT_FALSE(image.isNull());
    const double across = double(image.width()) / chart.width();
    for (int i = 0; i < int(Patches.size()); ++i) {
        const QRgb got = image.pixel(int((i + 0.5) * Patch * across), image.height() / 2);
        EXPECT_LT(difference(got, Patches[i]), 3.0) << "patch " << i << " came back as " << std::hex << got;
    }
}

INSTANTIATE_TEST_SUITE_P(Colour, ColourCharts,
    testing::Values(ChartRow { "AdobeRgbJpeg", Container::Jpeg, Space::AdobeRgb, {} },
        ChartRow { "DisplayP3JpegCell", Container::Jpeg, Space::DisplayP3, QSize(48, 8) },
        ChartRow { "ProPhotoJpeg", Container::Jpeg, Space::ProPhoto, {} },
        ChartRow { "ProPhotoJpegCell", Container::Jpeg, Space::ProPhoto, QSize(24, 4) },
        ChartRow { "ProPhotoBmp", Container::Bmp, Space::ProPhoto, {} },
        ChartRow { "DisplayP3IconCell", Container::Icon, Space::DisplayP3, QSize(48, 8) },
        ChartRow { "AdobeRgbIcon", Container::Icon, Space::AdobeRgb, {} },
        ChartRow { "AdobeRgbCameraThumbnail", Container::CameraThumbnail, Space::AdobeRgb, QSize(48, 8) },
        ChartRow { "ProPhotoProgressiveFirstScans", Container::ProgressiveJpeg, Space::ProPhoto, QSize(12, 2) },
        ChartRow { "ProPhotoAvif", Container::Avif, Space::ProPhoto, {} },
        ChartRow { "DisplayP3CodedAvifCell", Container::AvifCoded, Space::DisplayP3, QSize(48, 8) },
        ChartRow { "Bt2020CodedAvif", Container::AvifCoded, Space::Bt2020, {} },
        ChartRow { "AdobeRgbPng", Container::Png, Space::AdobeRgb, {} },
        ChartRow { "DisplayP3PngCell", Container::Png, Space::DisplayP3, QSize(48, 8) }),
    [](const auto& info) { return std::string(info.param.name); });

// A profile in which a sample's number is its light, with sRGB's primaries, or a grey one: 128
// stands for sRGB's 188.
QByteArray linearProfile(bool grey)
{
    const cmsCIExyY d65 { 0.3127, 0.3290, 1 };
    const cmsCIExyYTRIPLE primaries { { 0.64, 0.33, 1 }, { 0.30, 0.60, 1 }, { 0.15, 0.06, 1 } };
    cmsToneCurve* straight = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[] = { straight, straight, straight };
    cmsHPROFILE profile = grey ? cmsCreateGrayProfile(&d65, straight) : cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(straight);
    return savedProfile(profile);
}

// A profile is used on the pixels of its kind (a grey one on grey pixels, and on a PNG's palette, as a
// grey PNG of few bits is read) and up to 4 MB; transparency stays as it was.
TEST(Colour, ProfilesServeThePixelsOfTheirKindUpTo4MB)
{
    QImage grey(16, 16, QImage::Format_Grayscale8), palette(16, 16, QImage::Format_Indexed8);
    grey.fill(128);
    palette.setColorTable({ qRgb(128, 128, 128), qRgb(255, 0, 0) });
    palette.fill(0);
    const QImage colour = grey.convertToFormat(QImage::Format_RGB32);
    QImage seeThrough(16, 16, QImage::Format_ARGB32);
    seeThrough.fill(qRgba(128, 128, 128, 100));
    QImage green(16, 16, QImage::Format_RGB32);
    green.fill(qRgb(0, 255, 0));
    const QByteArray greyJpeg = libjpegFile(colour, { JCS_GRAYSCALE });
    const QByteArray greyProfile = linearProfile(true), rgbProfile = linearProfile(false);
    const QByteArray largest = rgbProfile + QByteArray(ColourProfileLimit - rgbProfile.size(), '\0');
    // A PNG's profile is read as long as its header says: the padded profile's says so.
    const auto declared = [](QByteArray profile) {
        qToBigEndian(quint32(profile.size()), profile.data());
        return profile;
    };
    const QRgb converted = qRgb(188, 188, 188), kept = qRgb(128, 128, 128);
    // A PNG's gAMA (1.0: numbers are light; 0.5: light is their square), cHRM (sRGB's) and sRGB chunks.
    const auto tagged
        = [](const QImage& picture, const char* gamma, const char* chromaticities = nullptr, bool srgb = false) {
              QByteArray chunks = pngChunk("gAMA", QByteArray::fromHex(gamma));
              if (chromaticities)
                  chunks += pngChunk("cHRM", QByteArray::fromHex(chromaticities));
              if (srgb)
                  chunks += pngChunk("sRGB", QByteArray(1, '\0'));
              return withPngChunks(pngWith(picture, {}), chunks);
          };
    const char* const linear = "000186a0";
    const char* const srgbPrimaries = "00007a26000080840000fa00000080e8000075300000ea6000003a9800001770";
    const struct {
        const char* name;
        QByteArray file;
        QRgb colour;
    } rows[] = {
        { "grey JPEG, grey profile", jpegWith(greyJpeg, greyProfile), converted },
        { "grey JPEG, RGB profile", jpegWith(greyJpeg, rgbProfile), kept },
        { "colour JPEG, grey profile", jpegWith(jpegBytes(colour), greyProfile), kept },
        { "grey icon, grey profile", iconWith(grey, greyProfile), converted },
        { "grey icon, RGB profile", iconWith(grey, rgbProfile), kept },
        { "palette icon, grey profile", iconWith(palette, greyProfile), converted },
        { "see-through icon", iconWith(seeThrough, rgbProfile), qRgba(188, 188, 188, 100) },
        { "ProPhoto's green, past sRGB's", iconWith(green, savedProfile(open(Space::ProPhoto))), qRgb(0, 255, 0) },
        { "JPEG, 4 MB profile", jpegWith(jpegBytes(colour), largest), converted },
        { "JPEG, larger profile", jpegWith(jpegBytes(colour), largest + '\0'), kept },
        { "BMP, 4 MB profile", bmpWith(colour, largest), converted },
        { "BMP, larger profile", bmpWith(colour, largest + '\0'), kept },
        { "icon, 4 MB profile", iconWith(colour, largest), converted },
        { "icon, larger profile", iconWith(colour, largest + '\0'), kept },
        { "WebP, 4 MB profile", webpWithChunk(webpFile(colour, true), "ICCP", largest), converted },
        { "WebP, larger profile", webpWithChunk(webpFile(colour, true), "ICCP", largest + '\0'), kept },
        { "grey PNG, grey profile", pngWith(grey, greyProfile), converted },
        { "grey PNG, RGB profile", pngWith(grey, rgbProfile), kept },
        { "PNG, 4 MB profile", pngWith(colour, declared(largest)), converted },
        { "PNG, larger profile", pngWith(colour, declared(largest + '\0')), kept },
        { "PNG, gAMA 1.0", tagged(colour, linear), converted },
        { "grey PNG, gAMA 1.0", tagged(grey, linear), converted },
        { "PNG, gAMA 0.5 and sRGB's cHRM", tagged(colour, "0000c350", srgbPrimaries), qRgb(137, 137, 137) },
        { "PNG, sRGB's gAMA and cHRM", tagged(colour, "0000b18f", srgbPrimaries), kept },
        { "PNG, an sRGB chunk over gAMA 1.0", tagged(colour, linear, nullptr, true), kept },
        { "PNG, a profile over gAMA 0.5",
            withPngChunks(pngWith(colour, rgbProfile), pngChunk("gAMA", QByteArray::fromHex("0000c350"))), converted },
    };
    for (const auto& row : rows)
        for (const QSize cell : { QSize(), QSize(8, 8) }) {
            SCOPED_TRACE(row.name);
            QBuffer buffer;
            buffer.setData(row.file);
            buffer.open(QIODevice::ReadOnly);
            QImage expected(cell.isEmpty() ? QSize(16, 16) : cell, QImage::Format_ARGB32);
            expected.fill(row.colour);
            const QImage image = decodePicture(buffer, row.file.size(), cell).image;
            EXPECT_LE(largestChannelDifference(image.convertToFormat(QImage::Format_ARGB32), expected), 2);
        }
}

// A profile of a table whose colours are sRGB's with red and blue swapped. A CMYK one's inks make the
// colours Adobe's CMYK is shown in without a profile: each ink takes away its share of light, black
// from all three.
QByteArray swappingProfile(bool cmyk)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
    struct Cargo {
        cmsHTRANSFORM toLab;
        bool cmyk;
    } cargo { cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0), cmyk };
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, cmyk ? 4 : 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* data) -> cmsInt32Number {
            const Cargo& cargo = *static_cast<const Cargo*>(data);
            const auto light = [&](int ink) {
                return cmsUInt16Number(cargo.cmyk ? (65535 - in[ink]) * (65535.0 - in[3]) / 65535 : in[ink]);
            };
            const cmsUInt16Number swapped[] = { light(2), light(1), light(0) };
            cmsDoTransform(cargo.toLab, swapped, out, 1);
            return TRUE;
        },
        &cargo, 0);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, cmyk ? 4 : 3, 3);
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 2.1);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmyk ? cmsSigCmykData : cmsSigRgbData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    cmsDeleteTransform(cargo.toLab);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    return savedProfile(profile);
}

TEST(Colour, CmykAndTabledRgbJpegsGoThroughTheirProfiles)
{
    QImage picture(32, 16, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 8, y * 16, 255 - x * 4));
    // Without Adobe's marker a CMYK file's numbers are its inks, which the file without a profile
    // would be shown as the light of.
    const struct {
        const char* kind;
        bool cmyk, adobe;
    } rows[] = { { "CMYK", true, true }, { "CMYK without Adobe's marker", true, false }, { "RGB", false, true } };
    for (const auto& [kind, cmyk, adobe] : rows) {
        SCOPED_TRACE(kind);
        const QByteArray plain = libjpegFile(picture, { .space = cmyk ? JCS_CMYK : JCS_YCbCr, .adobe = adobe });
        const QImage today = decoded(plain, {});
        const QImage image = decoded(jpegWith(plain, swappingProfile(cmyk)), {});
        ASSERT_EQ(image.size(), today.size());
        int worst = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int light = 105 - x % 100, ink = int(picture.pixel(x, y)); // black is 150 + x % 100
                const QRgb got = image.pixel(x, y),
                           was = adobe ? today.pixel(x, y)
                                       : qRgb((255 - qRed(ink)) * light / 255, (255 - qGreen(ink)) * light / 255,
                                           (255 - qBlue(ink)) * light / 255);
                worst = std::max({ worst, std::abs(qRed(got) - qBlue(was)), std::abs(qGreen(got) - qGreen(was)),
                    std::abs(qBlue(got) - qRed(was)) });
            }
        EXPECT_LE(worst, adobe ? 6 : 10) << "the profile's table is coarse, and coarser near black";
    }
}

// An sRGB profile, and profiles that cannot be used, leave the picture exactly as without a profile.
TEST(Colour, PicturesWhoseProfileChangesNothingAreLeftBitForBit)
{
    const QImage chart = chartIn(Space::ProPhoto);
    QByteArray broken = savedProfile(open(Space::ProPhoto));
    broken.replace(36, 4, "xxxx"); // not a profile's signature
    QByteArray cut = savedProfile(open(Space::AdobeRgb));
    cut.truncate(cut.size() / 2);
    const struct {
        const char* name;
        Container container;
        QByteArray profile;
    } rows[] = {
        { "sRGB JPEG", Container::Jpeg, savedProfile(open(Space::Srgb)) },
        { "sRGB BMP", Container::Bmp, savedProfile(open(Space::Srgb)) },
        { "broken JPEG", Container::Jpeg, broken },
        { "cut JPEG", Container::Jpeg, cut },
        { "broken icon", Container::Icon, broken },
        { "sRGB PNG", Container::Png, savedProfile(open(Space::Srgb)) },
    };
    for (const auto& row : rows)
        for (const QSize cell : { QSize(), QSize(24, 4) }) {
            SCOPED_TRACE(row.name);
            const QImage plain = decoded(fileOf(row.container, chart, {}), cell);
            ASSERT_FALSE(plain.isNull());
            EXPECT_EQ(decoded(fileOf(row.container, chart, row.profile), cell), plain);
        }
}

} // namespace
