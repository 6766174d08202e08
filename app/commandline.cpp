#include "app/commandline.h"

#include "browser/frmBmpGet.h"
#include "pictures/regularfile.h"
#include "platform/controls/listreading.h"
#include "platform/files/drives.h"
#include "platform/files/drivesystem.h"
#include "platform/files/nativenames.h"
#include "platform/pools.h"
#include "platform/task.h"

#include <QDir>
#include <QFileInfo>

namespace tl {

std::optional<QString> namedOnCommandLine(const QStringList& arguments)
{
    bool options = true;
    for (const QString& argument : arguments.mid(1)) {
        if (options && argument == QLatin1String("--"))
            options = false;
        else if (!options || !argument.startsWith(QLatin1Char('-')))
            return argument;
    }
    return std::nullopt;
}

int indexOfNamed(const FileList& list, const QString& name, Qt::CaseSensitivity names)
{
    int other = -1;
    for (int i = 0; i < list.ListCount(); ++i) {
        if (list.List(i) == name)
            return i;
        if (other < 0 && list.List(i).compare(name, names) == 0)
            other = i;
    }
    return other;
}

namespace {

    // What the name is, as looked at on the I/O pool.
    struct Named {
        enum { Missing, Folder, File, Unreadable } kind = Missing;
        QString path; // absolute
        QString why;
    };

    Named lookAt(const QString& name)
    {
        if (name.isEmpty() || !files::exists(name))
            return {};
        // Made absolute against the current folder as the program reads it, whatever its name's bytes.
        const QString path = QDir::cleanPath(QDir(currentFolder()).absoluteFilePath(name));
        if (files::isFolder(path))
            return { Named::Folder, path, {} };
        // A file is read before its folder is opened: one that cannot be read leaves the window as it started.
        QFile file;
        QString why;
        if (!openRegularFile(file, path, why))
            return { Named::Unreadable, {}, why };
        return { Named::File, path, {} };
    }

    void open(frmBmpGet& form, const Named& named, const std::function<void(const QString&)>& failed)
    {
        switch (named.kind) {
        case Named::Missing:
            failed(QStringLiteral("no such file or folder"));
            return;
        case Named::Unreadable:
            failed(named.why);
            return;
        case Named::Folder:
            form.Dir1.openFolder(named.path, [failed](bool opened) {
                if (!opened)
                    failed(QStringLiteral("cannot open the folder"));
            });
            return;
        case Named::File: {
            const QFileInfo file(named.path);
            form.Dir1.openFolder(file.absolutePath(), [&form, name = file.fileName(), failed](bool opened) {
                if (!opened) {
                    failed(QStringLiteral("cannot open its folder"));
                    return;
                }
                form.whenListsRead([&form, name, failed] {
                    const int index = indexOfNamed(form.File1, name, files::pathCase);
                    if (index < 0)
                        failed(QStringLiteral("not a picture file the file list shows; its folder is open"));
                    else
                        form.File1.setListIndex(index);
                });
            });
            return;
        }
        }
    }

} // namespace

void openNamed(frmBmpGet& form, const QString& name, std::function<void(const QString& why)> failed)
{
    const auto named = Task<Named>::start(ioPool(), [name](const std::atomic<bool>*) { return lookAt(name); });
    if (named->waitUntil(ReadingDeadline::current()))
        open(form, named->result(), failed);
    else
        named->whenDone(&form, [&form, failed](const Named& result) { open(form, result, failed); });
}

} // namespace tl
