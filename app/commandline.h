#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tl {

// The file or folder the command line names: the first argument that is no option (after "--",
// every argument is a name). None when the command line names nothing. Qt's own options are
// taken out by QApplication before this sees them.
std::optional<QString> namedOnCommandLine(const QStringList& arguments);

} // namespace tl
