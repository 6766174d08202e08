#pragma once

#include <QStringList>

namespace tl {

// Where the desktop offers no session bus, makes every connection to one fail at once for this process, so
// that no bus is started for the program. Leaves a session bus the desktop offers alone. Runs before the
// application object is made; does nothing on Windows.
void keepToTheDesktopsSessionBus();

// Loads Qt's own Japanese translation, so that the standard buttons and the text boxes' context menus read in
// Japanese. Without it installed the program runs on with Qt's English texts; returns whether it was loaded.
bool translateQtIntoJapanese();

// Translates Qt's texts, sets up fonts and creates the main window: its Form_Load runs, then it is shown.
// Then it opens the file or folder the command line names, if any; what cannot be opened is reported
// in one line on standard error, and the program runs on as without it.
void startProgram(const QStringList& arguments = {});

} // namespace tl
