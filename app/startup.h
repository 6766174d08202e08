#pragma once

namespace tl {

// Sets up fonts and creates the main window: its Form_Load runs, then it is shown.
void StartProgram();

} // namespace tl
