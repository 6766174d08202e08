#include "platform/files/folderscan.h"

#include <QDirIterator>
#include <QFileInfo>

namespace tl::files {

bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names, QString& why,
    const std::atomic<bool>* cancelled)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable()) {
        why = folder.isEmpty() ? QStringLiteral("no folder named")
            : !info.exists()   ? QStringLiteral("not found")
            : !info.isDir()    ? QStringLiteral("not a folder")
                               : QStringLiteral("not readable");
        return false;
    }
    // Without QDir::Hidden and QDir::System, hidden, system and dangling entries are skipped.
    QDirIterator it(folder, (kind == Kind::File ? QDir::Files : QDir::Dirs) | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        it.next();
        const QString name = it.fileName();
        if (name.startsWith(u'.') || (filter && !filter->matches(name)))
            continue;
        names.append(name);
    }
    return true;
}

} // namespace tl::files
