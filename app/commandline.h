#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tl {

class FileList;
class frmBmpGet;

// The file or folder the command line names: the first argument that is no option (after "--",
// every argument is a name). None when the command line names nothing. Qt's own options are
// taken out by QApplication before this sees them.
std::optional<QString> namedOnCommandLine(const QStringList& arguments);

// Opens in the main window what the command line names, as the user would have: a folder in the
// folder list, which the drive list, the file list and the folder text follow; a file by opening
// its folder and choosing it in the file list, which previews it. A name that is missing or cannot
// be read changes nothing. The name is looked at off the window's thread; what is not known within
// the lists' wait is done once it is. `failed` is told why it could not, when it could not.
void openNamed(frmBmpGet& form, const QString& name, std::function<void(const QString& why)> failed);

// The entry of the file list that is `name`, told apart as the system tells file names (`names`:
// Windows ignores case); the entry spelt exactly so comes first. -1 when none is.
int indexOfNamed(const FileList& list, const QString& name, Qt::CaseSensitivity names);

} // namespace tl
