// Opening the help window on help files at the reader's limits: one long line, and the most lines.
// The yardstick is reading and decoding the same file, which the window does before it shows it.

#include "benchutil.h"
#include "forms/form.h"
#include "help/frmHelp.h"
#include "help/helptext.h"
#include "platform/services.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QString writeHelp(const QTemporaryDir& temp, const QByteArray& bytes)
{
    const QString path = temp.filePath(QStringLiteral("Help.txt"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return path;
}

// A file of `size` bytes: `line` repeated, each copy ended by CR LF when `lineEnds` is set.
QByteArray helpFile(qint64 size, const QByteArray& line, bool lineEnds)
{
    const QByteArray unit = lineEnds ? line + "\r\n" : line;
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() + unit.size() <= size)
        bytes += unit;
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    QTemporaryDir temp;
    tl::applicationFolder = [&] { return temp.path(); };
    tl::MsgBox = [](const QString& text) { std::printf("message: %s\n", qPrintable(text)); };
    const qint64 size = tl::MaxHelpFileBytes;
    const qint64 lineBytes = size / tl::MaxHelpLines; // CR LF included

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "one line of letters at the size limit", helpFile(size, "x", false) },
        { "one line of Japanese at the size limit", helpFile(size, "\x95\x5c\x8e\xa6", false) },
        { "most lines, at the size limit", helpFile(size, QByteArray(lineBytes - 2, 'x'), true) },
        { "most lines, all empty", helpFile(2 * tl::MaxHelpLines, "", true) },
        { "a help file of 3 KB, for scale", helpFile(3000, "Help text, one short line of it.", true) },
    };
    std::printf("help files up to %lld bytes and %lld lines\n", static_cast<long long>(size),
        static_cast<long long>(tl::MaxHelpLines));
    for (const Case& c : cases) {
        const QString path = writeHelp(temp, c.bytes);
        bench::compare(
            c.name, 3, [&] { tl::readHelpFile(path); },
            [&] {
                tl::frmHelp& help = tl::Window<tl::frmHelp>().Show();
                help.repaint();
                QApplication::processEvents();
            },
            [&] {
                if (tl::frmHelp* help = tl::Window<tl::frmHelp>().Instance())
                    help->Unload();
                QApplication::processEvents();
            });
    }
    return 0;
}
