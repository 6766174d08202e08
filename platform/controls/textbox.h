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

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* multi_ = nullptr;
    QString text_;
};

} // namespace tl
