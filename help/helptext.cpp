#include "help/helptext.h"

#include "pictures/regularfile.h"
#include "platform/files/cp932.h"
#include "platform/logging.h"

#include <QFile>
#include <QStringDecoder>

namespace tl {

namespace {

    QString decodeBytes(const QByteArray& bytes)
    {
        const QByteArrayView utf8Mark("\xEF\xBB\xBF");
        if (bytes.startsWith(utf8Mark)) {
            // Exactly one mark is dropped; a second one would be part of the text.
            QStringDecoder utf8(
                QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            return utf8.decode(QByteArrayView(bytes).sliced(utf8Mark.size()));
        }
        return decodeCp932(bytes);
    }

    QString tooLarge() { return QStringLiteral("larger than %1 bytes").arg(MaxHelpFileBytes); }

    std::optional<QByteArray> readAllChecked(QFile& file, QString& why)
    {
        QByteArray data;
        char buffer[64 * 1024];
        for (;;) {
            const qint64 got = file.read(buffer, sizeof buffer);
            if (got < 0) {
                why = file.errorString();
                return std::nullopt;
            }
            if (got == 0)
                return data;
            if (data.size() + got > MaxHelpFileBytes) {
                why = tooLarge();
                return std::nullopt;
            }
            data.append(buffer, got);
        }
    }

    std::optional<QByteArray> readRegularFile(const QString& path, QString& why)
    {
        QFile file;
        if (path.isEmpty()) {
            why = QStringLiteral("no file named");
            return std::nullopt;
        }
        if (!openRegularFile(file, path, why))
            return std::nullopt;
        if (file.size() > MaxHelpFileBytes) {
            why = tooLarge();
            return std::nullopt;
        }
        return readAllChecked(file, why);
    }

} // namespace

QString decodeHelpText(const QByteArray& bytes)
{
    const QString text = decodeBytes(bytes);

    // Every line ends in CR LF, the last one too; a lone CR counts as a line end, a lone LF does not.
    QString lines;
    lines.reserve(text.size() + text.size() / 32 + 2);
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != u'\r') {
            ++i;
            continue;
        }
        lines += QStringView(text).sliced(start, i - start);
        lines += u"\r\n";
        ++i;
        if (i < text.size() && text[i] == u'\n')
            ++i;
        start = i;
    }
    if (start < text.size()) {
        lines += QStringView(text).sliced(start);
        lines += u"\r\n";
    }
    return lines;
}

// The help window says only that there is no help file: the reason goes to the log.
std::optional<QString> readHelpFile(const QString& path)
{
    QString why;
    std::optional<QString> text;
    if (const std::optional<QByteArray> bytes = readRegularFile(path, why)) {
        text = decodeHelpText(*bytes);
        if (text->count(u'\n') > MaxHelpLines) {
            text.reset();
            why = QStringLiteral("more than %1 lines").arg(MaxHelpLines);
        }
    }
    if (!text)
        qCWarning(lcHelp) << "cannot read the help file" << path << ":" << qUtf8Printable(why);
    return text;
}

} // namespace tl
