#include "help/cp932.h"

#include "platform/logging.h"

#include <QStringDecoder>
#include <QStringList>
#include <array>
#include <memory>

namespace tl {

namespace {

    bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

    using PairTable = std::array<char16_t, 0x10000>;

    // The character of every lead and trail pair, U+FFFD where the code page defines none. The
    // system's converter fills it once; it is used for the pairs only, because it reads a few
    // control bytes and the undefined single bytes as other control characters.
    std::unique_ptr<PairTable> buildPairTable()
    {
        auto table = std::make_unique<PairTable>();
        table->fill(QChar::ReplacementCharacter);
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        if (!decoder.isValid()) {
            qCWarning(lcHelp) << "no Shift-JIS converter (windows-31j) on this system: the help's double-byte"
                                 " characters (kanji, kana) show as U+FFFD";
            return table;
        }

        // All pairs in one run, each followed by a line feed, which no pair contains.
        QByteArray pairs;
        for (int lead = 0x81; lead <= 0xFC; ++lead)
            for (int trail = 0x40; trail <= 0xFC; ++trail)
                if (isLeadByte(lead) && isTrailByte(trail))
                    pairs.append(char(lead)).append(char(trail)).append('\n');
        const QStringList decoded = QString(decoder.decode(pairs)).split(u'\n');
        for (qsizetype i = 0; i * 3 < pairs.size() && i < decoded.size(); ++i) {
            const QString& one = decoded.at(i);
            // One printable character, or the pair is not defined.
            if (one.size() != 1 || one[0].category() == QChar::Other_Control || one[0] == QChar::ReplacementCharacter)
                continue;
            const auto lead = static_cast<unsigned char>(pairs[i * 3]);
            const auto trail = static_cast<unsigned char>(pairs[i * 3 + 1]);
            (*table)[lead << 8 | trail] = one[0].unicode();
        }
        return table;
    }

    const PairTable& pairTable()
    {
        static const std::unique_ptr<PairTable> table = buildPairTable();
        return *table;
    }

} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    const PairTable& pairs = pairTable();
    // Never more characters than bytes.
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i++]);
        if (b < 0x80)
            *out++ = b;
        else if (b >= 0xA1 && b <= 0xDF)
            *out++ = char16_t(0xFF61 + (b - 0xA1));
        else if (isLeadByte(b) && i < bytes.size() && isTrailByte(static_cast<unsigned char>(bytes[i])))
            *out++ = pairs[b << 8 | static_cast<unsigned char>(bytes[i++])];
        else
            // A byte that is no character, or a lead byte whose next byte is not a trail byte: that
            // next byte, a CR for instance, is read on its own.
            *out++ = QChar::ReplacementCharacter;
    }
    text.truncate(out - start);
    return text;
}

} // namespace tl
