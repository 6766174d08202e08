#include "app/commandline.h"

#include "browser/frmBmpGet.h"
#include "pictures/regularfile.h"

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

namespace {

    int indexOf(const FileList& list, const QString& name)
    {
        for (int i = 0; i < list.ListCount(); ++i)
            if (list.List(i) == name)
                return i;
        return -1;
    }

} // namespace

QString openNamed(frmBmpGet& form, const QString& name)
{
    const QFileInfo named(name);
    if (name.isEmpty() || !named.exists())
        return QStringLiteral("no such file or folder");
    if (named.isDir())
        return form.Dir1.openFolder(named.absoluteFilePath()) ? QString() : QStringLiteral("cannot open the folder");

    // A file is read before its folder is opened: one that cannot be read leaves the window as it started.
    QFile file;
    QString why;
    if (!openRegularFile(file, named.absoluteFilePath(), why))
        return why;
    file.close();
    if (!form.Dir1.openFolder(named.absolutePath()))
        return QStringLiteral("cannot open its folder");
    const int index = indexOf(form.File1, named.fileName());
    if (index < 0)
        return QStringLiteral("not a picture file the file list shows; its folder is open");
    form.File1.setListIndex(index);
    return {};
}

} // namespace tl
