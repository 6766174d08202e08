#include "help/helptext.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// Bytes of a string literal, embedded NULs and all.
#define RAW(literal) QByteArray(literal, sizeof(literal) - 1)

TEST(HelpText, DecodesAsWrittenAndEndsEveryLineWithCrLf)
{
    struct Row {
        const char* name;
        QByteArray in;
        QString out;
    };
    const Row rows[] = {
        { "CR LF", RAW("A\r\nB"), u"A\r\nB\r\n"_qs },
        { "CR alone", RAW("A\rB\r"), u"A\r\nB\r\n"_qs },
        { "LF alone stays in the line", RAW("A\nB"), u"A\nB\r\n"_qs },
        { "LF right after CR LF starts the next line", RAW("A\r\n\nB"), u"A\r\n\nB\r\n"_qs },
        { "CR then CR LF", RAW("A\r\r\nB"), u"A\r\n\r\nB\r\n"_qs },
        { "blank lines", RAW("\r\n\r\n"), u"\r\n\r\n"_qs },
        { "trailing lone LF", RAW("A\n"), u"A\n\r\n"_qs },
        { "empty file", QByteArray(), QString() },
        { "Shift-JIS backslash, tilde and 0x5C trail bytes",
            RAW("C:\x5cPictures\x5c~ \x83\x5c\x83\x74\x83\x67 \x95\x5c\x8e\xa6\r\n\xb1"),
            u"C:\\Pictures\\~ ソフト 表示\r\nｱ\r\n"_qs },
        { "file cut inside a double-byte character", RAW("A\x83"), u"A\uFFFD\r\n"_qs },
        // A byte that is no character shows as the replacement mark instead of vanishing.
        { "undefined single bytes", RAW("\x80\xA0\xFD\xFE\xFF"), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\r\n"_qs },
        { "half-width katakana at both ends", RAW("\xA1\xDF"), u"\uFF61\uFF9F\r\n"_qs },
        { "undefined pair in an undefined row", RAW("a\x85\x40z"), u"a\uFFFDz\r\n"_qs },
        { "undefined pair at the end of a row", RAW("a\xFC\xFCz"), u"a\uFFFDz\r\n"_qs },
        { "lead byte before DEL", RAW("\x81\x7F"), u"\uFFFD\x7F\r\n"_qs },
        { "lead byte before a space", RAW("\x81 x"), u"\uFFFD x\r\n"_qs },
        { "lead byte before CR, which still ends the line", RAW("\x83\r\nB"), u"\uFFFD\r\nB\r\n"_qs },
        { "NEC and IBM extensions", RAW("\x87\x40\xED\x40\xFA\x40"), u"\u2460\u7E8A\u2170\r\n"_qs },
        { "UTF-8 with its mark", RAW("\xEF\xBB\xBF\xE8\xA1\xA8\xE7\xA4\xBA\r\nOK"), u"表示\r\nOK\r\n"_qs },
        { "UTF-8 mark alone", RAW("\xEF\xBB\xBF"), QString() },
        { "only the first mark is dropped",
            RAW("\xEF\xBB\xBF\xEF\xBB\xBF"
                "A"),
            u"\uFEFFA\r\n"_qs },
    };
    for (const Row& r : rows)
        EXPECT_EQ(tl::decodeHelpText(r.in), r.out) << r.name;
}

// Every byte below 0x80 reads as itself: no control character turns into another.
TEST(HelpText, EveryByteBelow0x80ReadsAsItself)
{
    for (int b = 0; b < 0x80; ++b) {
        if (b == '\r')
            continue; // it ends the line
        const QByteArray in = QByteArray("A") + char(b) + "B";
        EXPECT_EQ(tl::decodeHelpText(in), u"A"_qs + QChar(b) + u"B\r\n"_qs) << "byte " << b;
    }
}

// The most lines a help text may have, each of `width` letters and then `end`.
static QByteArray linesOf(qsizetype width, const char* end)
{
    return (QByteArray(width, 'x') + end).repeated(tl::MaxHelpLines);
}

TEST(HelpText, ReadsOnlyWholeRegularFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };

    struct Row {
        const char* name;
        std::function<QString()> prepare;
        std::optional<QString> expected;
    };
    const Row rows[] = {
        { "a help file", [&] { return write(u"Help.txt"_qs, RAW("\x95\x5c\x8e\xa6\r\nB")); }, u"表示\r\nB\r\n"_qs },
        { "an empty file", [&] { return write(u"empty.txt"_qs, {}); }, QString() },
        { "missing", [&] { return dir.filePath(u"absent.txt"_qs); }, std::nullopt },
        { "empty path", [] { return QString(); }, std::nullopt },
        { "a folder", [&] { return dir.path(); }, std::nullopt },
        { "too large",
            [&] {
                QFile file(dir.filePath(u"huge.txt"_qs));
                EXPECT_TRUE(file.open(QIODevice::WriteOnly));
                EXPECT_TRUE(file.resize(tl::MaxHelpFileBytes + 1));
                return file.fileName();
            },
            std::nullopt },
        // Lines as the help window shows them: past the limits it would take seconds to open.
        { "at both limits",
            [&] { return write(u"full.txt"_qs, linesOf(tl::MaxHelpFileBytes / tl::MaxHelpLines - 2, "\r\n")); },
            QString::fromLatin1(linesOf(tl::MaxHelpFileBytes / tl::MaxHelpLines - 2, "\r\n")) },
        { "one line too many", [&] { return write(u"cr.txt"_qs, QByteArray(tl::MaxHelpLines + 1, '\r')); },
            std::nullopt },
        { "lone LFs past the limit", [&] { return write(u"lf.txt"_qs, QByteArray(tl::MaxHelpLines, '\n')); },
            std::nullopt },
#ifdef Q_OS_UNIX
        // Opening a FIFO for reading would wait for a writer forever.
        { "a FIFO",
            [&] {
                const QString path = dir.filePath(u"fifo"_qs);
                EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                return path;
            },
            std::nullopt },
#endif
    };
    for (const Row& r : rows)
        EXPECT_EQ(tl::readHelpFile(r.prepare()), r.expected) << r.name;
}

// The help file that ships with the program: Shift-JIS, CR LF line ends, no mark, naming the real captions.
TEST(HelpText, ShippedHelpFileIsCleanShiftJis)
{
    const QString path = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(u"../help/Help.txt"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray raw = file.readAll();
    ASSERT_FALSE(raw.isEmpty());
    EXPECT_FALSE(raw.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(raw.endsWith("\r\n"));
    EXPECT_EQ(raw.count('\r'), raw.count("\r\n"));
    EXPECT_EQ(raw.count('\n'), raw.count("\r\n"));

    const QString text = tl::decodeHelpText(raw);
    EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
    EXPECT_FALSE(text.contains(QChar(0x1A)));
    const qsizetype lines = text.count(u"\r\n"_qs);
    EXPECT_GE(lines, 40);
    EXPECT_LE(lines, 100);
    for (const QString& caption : { u"Picture Files"_qs, u"ファイル名"_qs, u"参照デイレクトリ"_qs, u"画像読み込み"_qs,
             u"ScrolePicture"_qs, u"戻る"_qs, u"開く"_qs, u"終わる"_qs, u"HELP"_qs, u"ただいま画像の読み込み中です"_qs,
             u"表示完了"_qs, u"表示ＯＫ"_qs, u"ここには画像がありません。"_qs, u"参照デイレクトリが表示されてない。"_qs,
             u"フロッピーデイスクをセットしてください。"_qs, u"BackSpace"_qs, u"F11"_qs, u"Shift+R"_qs, u"Ctrl+C"_qs,
             u"PageDown"_qs, u"Enter"_qs, u"F10"_qs })
        EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
}
