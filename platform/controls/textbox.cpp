#include "platform/controls/textbox.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace tl {

static QWidget* makeTextWidget(TextBox::Lines lines)
{
    if (lines == TextBox::Lines::Single)
        return new QLineEdit;
    auto* edit = new QPlainTextEdit;
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in every other control of a window.
    edit->setTabChangesFocus(true);
    return edit;
}

TextBox::TextBox(Lines lines)
    : Control(makeTextWidget(lines))
{
    if (lines == Lines::Single)
        line_ = static_cast<QLineEdit*>(widget());
    else
        multi_ = static_cast<QPlainTextEdit*>(widget());
}

// A multi-line box gives back the text it was given, as long as the user has not edited it;
// edited text ends its lines, and the pieces a long line was shown in, in CR LF.
QString TextBox::Text() const
{
    if (line_)
        return line_->text();
    if (!multi_->document()->isModified())
        return text_;
    QString text = multi_->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

namespace {

    // Laying out a wrapped line costs time that grows with the square of the stretch without a
    // place to break it, so a line of a megabyte of letters would freeze the window for minutes.
    // Longer lines are shown in pieces of at most this many characters.
    constexpr qsizetype LongestShownLine = 1024;
    // A piece ends after the last space or Japanese comma or full stop in this many characters
    // before its limit, where there is one, so that the break falls where a wrap could.
    constexpr qsizetype BreakSearch = 128;

    bool endsAPhrase(QChar c) { return c.isSpace() || c == u'、' || c == u'。'; }

    // Where the first piece of a line ends.
    qsizetype pieceEnd(QStringView line)
    {
        qsizetype end = LongestShownLine;
        if (end >= line.size())
            return line.size();
        for (qsizetype i = end; i > end - BreakSearch; --i)
            if (endsAPhrase(line[i - 1]))
                return i;
        if (line[end - 1].isHighSurrogate())
            --end; // never between the two halves of one character
        return end;
    }

    // The text as the box shows it: every line ends in LF, and long lines are broken into pieces.
    QString shownText(const QString& text)
    {
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QStringList pieces;
        for (QStringView line : QStringView(shown).split(u'\n')) {
            for (qsizetype end; (end = pieceEnd(line)) < line.size(); line = line.sliced(end))
                pieces << line.first(end).toString();
            pieces << line.toString();
        }
        return pieces.join(u'\n');
    }

} // namespace

void TextBox::setLocked(bool locked)
{
    if (line_) {
        line_->setReadOnly(locked);
        return;
    }
    multi_->setReadOnly(locked);
    // Read-only alone would leave the mouse only: the caret and the keyboard's selection stay.
    if (locked)
        multi_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

// A multi-line box shows long lines broken into pieces, for display only: Text() gives back the
// text as it was set until the user edits it.
void TextBox::setText(const QString& text)
{
    if (line_) {
        line_->setText(text);
        return;
    }
    multi_->setPlainText(shownText(text));
    multi_->document()->setModified(false);
    text_ = text;
}

} // namespace tl
