#include "help/helptext.h"

#include "help/cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

    std::optional<QByteArray> readAllChecked(QFile& file)
    {
        QByteArray data;
        char buffer[64 * 1024];
        for (;;) {
            const qint64 got = file.read(buffer, sizeof buffer);
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                return data;
            if (data.size() + got > MaxHelpFileBytes)
                return std::nullopt;
            data.append(buffer, got);
        }
    }

    std::optional<QByteArray> readRegularFile(const QString& path)
    {
        if (path.isEmpty())
            return std::nullopt;
#ifdef Q_OS_UNIX
        // Opened without blocking and checked on the open descriptor, so a FIFO or device put in the
        // file's place is refused instead of hanging the program.
        const QByteArray native = QFile::encodeName(path);
        int fd;
        do
            fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return std::nullopt;
        struct stat status;
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > MaxHelpFileBytes) {
            ::close(fd);
            return std::nullopt;
        }
        QFile file;
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return std::nullopt;
        }
#else
        const QFileInfo info(path);
        if (!info.isFile() || info.size() > MaxHelpFileBytes)
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
#endif
        return readAllChecked(file);
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

std::optional<QString> readHelpFile(const QString& path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path);
    if (!bytes)
        return std::nullopt;
    QString text = decodeHelpText(*bytes);
    if (text.count(u'\n') > MaxHelpLines)
        return std::nullopt;
    return text;
}

} // namespace tl
