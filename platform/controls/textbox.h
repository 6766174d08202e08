#pragma once

#include "platform/controls/control.h"

#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace tl {

class TextBox : public Control {
public:
    enum class Lines { Single, Multi };
    explicit TextBox(Lines lines = Lines::Single);
    QString Text() const;
    void setText(const QString& text);
    // A locked box shows its text to be read, selected (with the mouse or the keyboard) and copied;
    // nothing the user does edits it: no key, paste, middle click or drop.
    void setLocked(bool locked);

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    QString text_;
};

} // namespace tl
