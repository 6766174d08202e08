#pragma once

// The seams through which the program reaches the platform's services. Each is one function
// object that tests replace from C++.

#include <QString>
#include <functional>

namespace tl {

// A modal message box: OK only, no icon, caption "Tessaline". Returns when the user presses OK.
extern std::function<void(const QString& text)> MsgBox;

// Ends the process at once with an exit status: no handler of any window runs. The user's own end
// reports success; the end after an unexpected error reports the failure to whoever started us.
enum ExitStatus : int { EndedByUser = 0, EndedByError = 1 };
extern std::function<void(int status)> endProgram;

// The folder that holds the running executable, as a full path.
extern std::function<QString()> applicationFolder;

} // namespace tl
