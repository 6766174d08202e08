#pragma once

namespace tl {

// The Japanese user-interface fonts: "ＭＳ Ｐゴシック" maps to IPA P Gothic, and the windows use it
// at 9 points.
void setUpFonts();

// Loads Qt's own Japanese translation, so that the standard buttons and the text boxes' context menus read in
// Japanese. Without it installed the program runs on with Qt's English texts; returns whether it was loaded.
bool translateQtIntoJapanese();

// Translates Qt's texts, sets up fonts and creates the main window: its Form_Load runs, then it is shown.
void startProgram();

} // namespace tl
