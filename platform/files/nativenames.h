#pragma once

// Where the program's names of files meet the system's (see filenames.h): on Windows names are
// UTF-16 and go through Qt as they are.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tl::files {

// Whether the path names a folder (following links), or anything at all.
bool isFolder(const QString& path);
bool exists(const QString& path);

// The arguments the program was started with, names read as file names are. After QApplication
// has taken out its own options from argc and argv.
QStringList commandLineArguments(int argc, char** argv);

// POSIX: the bytes a path stands for (encodeFilePath). When they name nothing, a name of the path
// read as code page 932 without kept bytes may stand for its code page 932 bytes: the bytes of a
// file so named, looked up name by name; empty when there is none.
QByteArray nativePath(const QString& path);
QByteArray otherNativePath(const QString& path);

} // namespace tl::files
