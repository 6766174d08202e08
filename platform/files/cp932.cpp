#include "platform/files/cp932.h"

#include "platform/logging.h"

#include <QStringDecoder>
#include <QStringList>
#include <array>
#include <memory>

namespace tl {

namespace {

    bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
    bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

    // Both ways between the code page and Unicode.
    struct Tables {
        // The character of every lead and trail pair, U+FFFD where the code page defines none.
        std::array<char16_t, 0x10000> pairs;
        // The bytes of every character: a single byte or a pair (lead << 8 | trail); 0 for none.
        std::array<quint16, 0x10000> codes;
    };

    // The system's converter fills the pairs once; it is used for the pairs only, because it reads a
    // few control bytes and the undefined single bytes as other control characters.
    std::unique_ptr<Tables> buildTables()
    {
        auto tables = std::make_unique<Tables>();
        tables->pairs.fill(QChar::ReplacementCharacter);
        tables->codes.fill(0);
        for (int b = 1; b < 0x80; ++b)
            tables->codes[b] = quint16(b);
        for (int b = 0xA1; b <= 0xDF; ++b)
            tables->codes[0xFF61 + (b - 0xA1)] = quint16(b);
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        if (!decoder.isValid()) {
            qCWarning(lcHelp) << "no Shift-JIS converter (windows-31j) on this system: double-byte characters"
                                 " (kanji, kana) of the help and of file names show as U+FFFD";
            return tables;
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
            tables->pairs[lead << 8 | trail] = one[0].unicode();
        }
        // A character with two or three pairs is written as Windows writes it: the first pair in code
        // order, except that the NEC-selected rows (leads 0xED and 0xEE) give way to the IBM rows.
        for (const bool necSelected : { false, true }) {
            for (int code = 0x8140; code <= 0xFCFC; ++code) {
                const char16_t c = tables->pairs[code];
                if (c != QChar::ReplacementCharacter && ((code >> 8 == 0xED || code >> 8 == 0xEE) == necSelected)
                    && tables->codes[c] == 0)
                    tables->codes[c] = quint16(code);
            }
        }
        return tables;
    }

    const Tables& tables()
    {
        static const std::unique_ptr<Tables> built = buildTables();
        return *built;
    }

} // namespace

QString decodeCp932(QByteArrayView bytes)
{
    const auto& pairs = tables().pairs;
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

bool isCp932LeadByte(unsigned char b) { return isLeadByte(b); }

bool isCp932TrailByte(unsigned char b) { return isTrailByte(b); }

char16_t cp932PairChar(unsigned char lead, unsigned char trail) { return tables().pairs[lead << 8 | trail]; }

int cp932Code(char16_t c)
{
    if (c == 0)
        return 0;
    const quint16 code = tables().codes[c];
    return code == 0 ? -1 : code;
}

} // namespace tl
