#pragma once

#include "forms/form.h"
#include "platform/controls/controls.h"

#include <QString>
#include <functional>
#include <optional>

namespace tl {

// The help window: Help.txt from the application folder in a text box that can be read, selected
// and copied from but not edited, and a button that closes the window. The file is read each time
// the window is created and never written.
class frmHelp : public Form {
public:
    frmHelp();

    // Controls, named as in the layout.
    TextBox Text1 { TextBox::Lines::Multi };
    CommandButton Command1 { QStringLiteral("戻る") };

    // Handlers.
    void Form_Load() override;
    void Command1_Click();

private:
    void buildLayout();
};

// Reads the help file at a path: its text, or nullopt whatever the failure. Tests replace it to
// see which path the window asks for and how often.
extern std::function<std::optional<QString>(const QString& path)> helpFileReader;

} // namespace tl
