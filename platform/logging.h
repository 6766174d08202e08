#pragma once

// The program's logging categories, one for each part of the code. What goes wrong without the user
// being told is written to standard error through them: warnings when the user sees something
// unexplained (an empty list, a missing character), debug messages for what happens file by file.
//
// Debug messages are off unless asked for:
//   QT_LOGGING_RULES="tessaline.*.debug=true" tessaline
// turns them on for every part ("tessaline.pictures.debug=true" for one); warnings are always on.

#include <QLoggingCategory>

namespace tl {

Q_DECLARE_LOGGING_CATEGORY(lcFiles) // tessaline.files: folders, drives (platform/files)
Q_DECLARE_LOGGING_CATEGORY(lcPictures) // tessaline.pictures: reading and decoding picture files
Q_DECLARE_LOGGING_CATEGORY(lcControls) // tessaline.controls: the controls (a picture too large to place)
Q_DECLARE_LOGGING_CATEGORY(lcBrowser) // tessaline.browser: the main window and its loaders
Q_DECLARE_LOGGING_CATEGORY(lcHelp) // tessaline.help: the help window and its text
Q_DECLARE_LOGGING_CATEGORY(lcApp) // tessaline.app: start-up and the command line

} // namespace tl
