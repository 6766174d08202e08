// Arbitrary bytes as the help file: decoded from memory and read from a file, as HELP reads it.
// Besides what the sanitizers catch, the text must keep its shape: every line ends in CR LF,
// no byte vanishes unseen, and the file gives the same text as the bytes.

#include "help/helptext.h"
#include "platform/files/cp932.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "help text: %s\n", what);
    std::abort();
}

// Each line ends in CR LF and a CR never stands alone.
void checkLineEnds(const QString& text)
{
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n")))
        fail("the last line does not end in CR LF");
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            fail("a CR without its LF");
}

// A character takes one or two bytes, and every byte that is no character still shows as one.
void checkNothingVanishes(const QByteArray& bytes)
{
    const qsizetype characters = tl::decodeCp932(bytes).size();
    if (characters > bytes.size() || 2 * characters < bytes.size())
        fail("cp932 text of the wrong length");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("Help.txt"));

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = tl::decodeHelpText(bytes);
    checkLineEnds(text);
    checkNothingVanishes(bytes);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the help file");
    file.close();
    const std::optional<QString> read = tl::readHelpFile(path);
    const bool fits = bytes.size() <= tl::MaxHelpFileBytes && text.count(u'\n') <= tl::MaxHelpLines;
    if (read.has_value() != fits)
        fail(fits ? "a help file that fits was refused" : "a help file past the limits was taken");
    if (read && *read != text)
        fail("the file reads differently from its bytes");
    return 0;
}
