#include "platform/logging.h"

namespace tl {

// Debug messages off by default, warnings and above on.
Q_LOGGING_CATEGORY(lcFiles, "tessaline.files", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPictures, "tessaline.pictures", QtInfoMsg)
Q_LOGGING_CATEGORY(lcControls, "tessaline.controls", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBrowser, "tessaline.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHelp, "tessaline.help", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "tessaline.app", QtInfoMsg)

} // namespace tl
