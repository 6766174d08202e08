#pragma once

#include <QString>
#include <functional>

namespace tl {

class FileList;
class frmBmpGet;

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
