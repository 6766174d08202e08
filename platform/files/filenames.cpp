#include "platform/files/filenames.h"

#include "platform/files/cp932.h"

#include <QStringList>
#include <utility>

namespace tl {

namespace {

    constexpr char16_t FirstKept = 0xDC80;
    constexpr char16_t LastKept = 0xDCFF;

    char16_t kept(unsigned char b) { return char16_t(FirstKept + (b - 0x80)); }

    // A kept byte is a lone low surrogate of the kept range; the low half of a pair is a character's.
    bool isKept(QStringView s, qsizetype i)
    {
        const char16_t c = s[i].unicode();
        return c >= FirstKept && c <= LastKept && (i == 0 || !s[i - 1].isHighSurrogate());
    }

    bool hasKept(QStringView s)
    {
        for (qsizetype i = 0; i < s.size(); ++i)
            if (isKept(s, i))
                return true;
        return false;
    }

    bool isAscii(QStringView s)
    {
        for (QChar c : s)
            if (c.unicode() >= 0x80)
                return false;
        return true;
    }

    // Code page 932 bytes of the name, kept bytes as themselves; empty when a character has none.
    QByteArray cp932Bytes(QStringView name, bool keepUnwritable)
    {
        QByteArray bytes;
        bytes.reserve(name.size() * 2);
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (isKept(name, i)) {
                bytes.append(char(name[i].unicode() - FirstKept + 0x80));
                continue;
            }
            const int code = name[i].isSurrogate() ? -1 : cp932Code(name[i].unicode());
            if (code < 0) {
                if (!keepUnwritable)
                    return {};
                // Not from a name that was read: the character as UTF-8.
                const qsizetype n = name[i].isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
                bytes.append(name.mid(i, n).toUtf8());
                i += n - 1;
            } else if (code < 0x100) {
                bytes.append(char(code));
            } else {
                bytes.append(char(code >> 8)).append(char(code & 0xFF));
            }
        }
        return bytes;
    }

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p++;
        if (b < 0x80)
            continue;
        int more;
        unsigned min;
        unsigned c;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, min = 0x80, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, min = 0x800, c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, min = 0x10000, c = b & 0x07;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (int k = 0; k < more; ++k, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            c = c << 6 | (*p & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
    }
    return true;
}

QString decodeFileName(QByteArrayView bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            name.append(QChar(b));
        } else if (b >= 0xA1 && b <= 0xDF) {
            name.append(QChar(char16_t(0xFF61 + (b - 0xA1))));
        } else if (isCp932LeadByte(b) && i + 1 < bytes.size()
            && isCp932TrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
            const auto trail = static_cast<unsigned char>(bytes[i + 1]);
            const char16_t c = cp932PairChar(b, trail);
            if (c != QChar::ReplacementCharacter && cp932Code(c) == (b << 8 | trail)) {
                name.append(QChar(c));
                ++i;
            } else {
                // Not a character, or one written otherwise: the lead byte is kept, the trail read on its own.
                name.append(QChar(kept(b)));
            }
        } else {
            name.append(QChar(kept(b)));
        }
    }
    return name;
}

QString escapedFileName(QByteArrayView bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        name.append(QChar(b < 0x80 ? char16_t(b) : kept(b)));
    }
    return name;
}

QByteArray encodeFileName(QStringView name)
{
    if (isAscii(name))
        return name.toLatin1();
    if (!hasKept(name))
        return name.toUtf8();
    return cp932Bytes(name, true);
}

QByteArray cp932FileName(QStringView name)
{
    if (isAscii(name) || hasKept(name))
        return {};
    QByteArray bytes = cp932Bytes(name, false);
    return isValidUtf8(bytes) ? QByteArray() : bytes;
}

QString decodeFilePath(QByteArrayView bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString path;
    qsizetype from = 0;
    for (;;) {
        const qsizetype slash = bytes.indexOf('/', from);
        path += decodeFileName(bytes.sliced(from, (slash < 0 ? bytes.size() : slash) - from));
        if (slash < 0)
            return path;
        path += u'/';
        from = slash + 1;
    }
}

QByteArray encodeFilePath(QStringView path)
{
    if (isAscii(path))
        return path.toLatin1();
    if (!hasKept(path))
        return path.toUtf8();
    QByteArray bytes;
    bool first = true;
    for (QStringView part : path.split(u'/')) {
        if (!std::exchange(first, false))
            bytes.append('/');
        bytes.append(encodeFileName(part));
    }
    return bytes;
}

QString shownFileName(QString name)
{
    for (qsizetype i = 0; i < name.size(); ++i)
        if (isKept(name, i))
            name[i] = QChar::ReplacementCharacter;
    return name;
}

} // namespace tl
