#pragma once

namespace tl {

// The Japanese user-interface fonts: "ＭＳ Ｐゴシック" maps to IPA P Gothic, and the windows use it
// at 9 points.
void SetUpFonts();

// Sets up fonts and creates the main window: its Form_Load runs, then it is shown.
void StartProgram();

} // namespace tl
