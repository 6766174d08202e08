#include "browser/frmBmpGet.h"
#include "forms/messages.h"
#include "help/frmHelp.h"
#include "help/helptext.h"
#include "support.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

using namespace tl;
using namespace tl::test;

namespace {

class HelpWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        applicationFolder = [this] { return temp.path(); };
        helpFileReader = [this](const QString& path) {
            reads << path;
            return readHelpFile(path);
        };
    }
    void TearDown() override
    {
        unload<frmHelp>();
        unload<frmBmpGet>();
        helpFileReader = savedReader;
    }
    void writeHelp(const QByteArray& bytes) { writeBytes(QDir(temp.path()), "Help.txt", bytes); }
    frmHelp& open() { return Window<frmHelp>().Show(); }

    Seams seams;
    QTemporaryDir temp;
    QStringList reads;
    std::function<std::optional<QString>(const QString&)> savedReader = helpFileReader;
};

TEST_F(HelpWindow, ShowsTheFileOrReportsItOnceAndOpensEmpty)
{
    struct Row {
        const char* name;
        std::optional<QByteArray> file; // nullopt: no Help.txt
        QString text;
    };
    const Row rows[] = {
        { "missing", std::nullopt, {} },
        { "empty", QByteArray(), {} },
        { "CR LF between two lines", QByteArray("A\r\nB"), u"A\r\nB\r\n"_qs },
        // A lone LF stays inside its line; the box shows it as a break but keeps the text as read.
        { "LF alone", QByteArray("A\nB"), u"A\nB\r\n"_qs },
    };
    for (const Row& row : rows) {
        seams.messages.clear();
        reads.clear();
        QFile::remove(QDir(temp.path()).filePath("Help.txt"));
        if (row.file)
            writeHelp(*row.file);

        frmHelp& form = open();
        EXPECT_EQ(seams.messages, row.file ? QStringList() : QStringList { messages::NoHelpFile }) << row.name;
        EXPECT_EQ(form.Text1.Text(), row.text) << row.name;
        EXPECT_TRUE(form.isVisible()) << row.name;
        EXPECT_EQ(reads.size(), 1) << row.name;
        unload<frmHelp>();
    }
}

// A help file of one long line opens at once: the box shows the line in pieces, each ending where
// a wrap could, and gives back the text as read.
TEST_F(HelpWindow, OpeningAFileOfOneLongLineShowsItInPieces)
{
    struct Row {
        const char* name;
        QString line;
        std::function<bool(QStringView piece)> endsWell;
    };
    const Row rows[] = {
        { "letters without a break", QString(3000, u'x'), [](QStringView p) { return p.size() == 1024; } },
        { "words", u"word "_qs.repeated(600), [](QStringView p) { return p.endsWith(u' '); } },
        { "Japanese sentences", u"日本語の文です。"_qs.repeated(375), [](QStringView p) { return p.endsWith(u'。'); } },
        { "characters beyond 16 bits", u"a"_qs + u"😀"_qs.repeated(1500),
            [](QStringView p) { return !p.back().isHighSurrogate(); } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeHelp("\xEF\xBB\xBF" + row.line.toUtf8());
        frmHelp& form = open();
        EXPECT_EQ(form.Text1.Text(), row.line + u"\r\n"_qs);

        const QString shown = static_cast<QPlainTextEdit*>(form.Text1.widget())->toPlainText();
        QStringList pieces = shown.split(u'\n');
        ASSERT_GT(pieces.size(), 2);
        EXPECT_EQ(pieces.takeLast(), QString()) << "the line's own end";
        EXPECT_EQ(pieces.join(QString()), row.line) << "nothing lost or added";
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            EXPECT_LE(pieces[i].size(), 1024) << i;
            if (i + 1 < pieces.size()) {
                EXPECT_TRUE(row.endsWell(pieces[i])) << i;
            }
        }
        unload<frmHelp>();
    }
}

TEST_F(HelpWindow, ReadsHelpTxtInTheApplicationFolderWithOneSeparator)
{
    struct Row {
        const char* folder;
        const char* path;
    };
    for (const Row& row : { Row { "/", "/Help.txt" }, Row { "/opt/tessaline", "/opt/tessaline/Help.txt" } }) {
        reads.clear();
        applicationFolder = [&] { return QString::fromLatin1(row.folder); };
        open();
        EXPECT_EQ(reads, QStringList { QString::fromLatin1(row.path) });
        unload<frmHelp>();
    }
}

TEST_F(HelpWindow, ShowingItAgainWhileOpenKeepsItsTextAndReadsNothing)
{
    writeHelp("first");
    frmHelp* form = &open();
    form->Text1.setText(u"set"_qs);
    writeHelp("second");

    Window<frmBmpGet>().Show().mnuHelp->trigger();
    EXPECT_EQ(Window<frmHelp>().Instance(), form);
    EXPECT_EQ(form->Text1.Text(), u"set"_qs);
    EXPECT_EQ(reads.size(), 1);
}

// The text is there to be read: neither a key, nor a middle click with nothing selected anywhere,
// nor a drop edits it; the keyboard still selects it and copies.
TEST_F(HelpWindow, NothingTheUserDoesEditsTheTextButItCanBeCopied)
{
    writeHelp("first line\r\nsecond");
    frmHelp& form = open();
    auto* box = static_cast<QPlainTextEdit*>(form.Text1.widget());
    QApplication::setActiveWindow(&form);
    box->setFocus();
    const QString shown = box->toPlainText();
    QMimeData dropped;
    dropped.setText(u"dropped"_qs);
    const std::pair<const char*, std::function<void()>> rows[] = {
        { "typed", [&] { QTest::keyClicks(box, "typed"); } },
        { "middle click", [&] { QTest::mouseClick(box->viewport(), Qt::MiddleButton, {}, QPoint(20, 8)); } },
        { "drop",
            [&] {
                QDragEnterEvent enter(QPoint(20, 8), Qt::CopyAction, &dropped, Qt::LeftButton, {});
                QDropEvent drop(QPoint(20, 8), Qt::CopyAction, &dropped, Qt::LeftButton, {});
                QApplication::sendEvent(box->viewport(), &enter);
                QApplication::sendEvent(box->viewport(), &drop);
            } },
    };
    QGuiApplication::clipboard()->clear(QClipboard::Selection);
    for (const auto& [name, act] : rows) {
        act();
        EXPECT_EQ(box->toPlainText(), shown) << name;
        EXPECT_EQ(form.Text1.Text(), u"first line\r\nsecond\r\n"_qs) << name;
    }

    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"first line"_qs);
}

TEST_F(HelpWindow, BackClosesItAndTheNextShowReadsTheFileAfresh)
{
    writeHelp("first");
    frmHelp& form = open();
    form.Text1.setText(u"edited"_qs);
    QTest::mouseClick(form.Command1.widget(), Qt::LeftButton);
    EXPECT_FALSE(Window<frmHelp>().Loaded());
    flushDeletes();

    QFile file(QDir(temp.path()).filePath("Help.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("first")) << "edits are never written";
    file.close();

    writeHelp("second");
    EXPECT_EQ(open().Text1.Text(), u"second\r\n"_qs);
    EXPECT_EQ(reads.size(), 2);
    QApplication::setActiveWindow(Window<frmHelp>().Instance());
    QTest::keyClick(Window<frmHelp>().Instance()->Text1.widget(), Qt::Key_Escape);
    EXPECT_FALSE(Window<frmHelp>().Loaded()) << "Esc closes it as 戻る does";
}

TEST_F(HelpWindow, LayoutFontsAndFocus)
{
    writeHelp("A");
    frmHelp& form = open();
    EXPECT_EQ(form.windowTitle(), u"Help"_qs);
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.menuWidget(), nullptr) << "no menu bar above the inner area";
    EXPECT_EQ(form.client()->size(), QSize(525, 433));
    EXPECT_EQ(form.ScaleWidth(), 7875);
    EXPECT_EQ(form.ScaleHeight(), 6495);

    struct Row {
        QWidget* widget;
        QRect pixels;
        int points;
    };
    const Row rows[]
        = { { form.Text1.widget(), { 8, 0, 513, 401 }, 12 }, { form.Command1.widget(), { 224, 408, 73, 25 }, 9 } };
    const bool ipa = QFontDatabase::families().contains(u"IPAPGothic"_qs);
    for (const Row& row : rows) {
        EXPECT_EQ(row.widget->geometry(), row.pixels);
        EXPECT_EQ(row.widget->font().pointSize(), row.points);
        if (ipa) {
            EXPECT_EQ(QFontInfo(row.widget->font()).family(), u"IPAPGothic"_qs);
        }
    }

    // Sizable, and nothing moves when it is resized.
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    form.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.client()->size(), QSize(300, 200));
    for (const Row& row : rows)
        EXPECT_EQ(row.widget->geometry(), row.pixels);

    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), form.Text1.widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Command1.widget());
}

} // namespace
