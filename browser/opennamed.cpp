// Opening a file or folder by its name, as the command line and a drop on the main window name one.

#include "browser/opennamed.h"

#include "browser/frmBmpGet.h"
#include "pictures/regularfile.h"
#include "platform/controls/listreading.h"
#include "platform/files/drives.h"
#include "platform/files/drivesystem.h"
#include "platform/files/filenames.h"
#include "platform/files/nativenames.h"
#include "platform/logging.h"
#include "platform/pools.h"
#include "platform/task.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace tl {

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

namespace {
    // The first of the dragged URLs, when it is a local file or folder; empty otherwise.
    QString droppedName(const QMimeData* data)
    {
#ifndef Q_OS_WIN
        // A name that is not UTF-8 comes as its bytes percent-encoded, which QUrl reads as UTF-8 and
        // loses: the path is taken from the list's own bytes.
        if (data && data->hasFormat(QStringLiteral("text/uri-list"))) {
            for (const QByteArray& line : data->data(QStringLiteral("text/uri-list")).split('\n')) {
                const QByteArray uri = line.trimmed();
                if (uri.isEmpty() || uri.startsWith('#'))
                    continue;
                const QUrl url = QUrl::fromEncoded(uri);
                if (!url.isLocalFile())
                    return {};
                return decodeFilePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
            }
        }
#endif
        const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
        if (urls.isEmpty() || !urls.constFirst().isLocalFile())
            return {};
        return urls.constFirst().toLocalFile();
    }
} // namespace

void frmBmpGet::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedName(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// The drop is taken at once, and the name opened once the drag's source has been answered: a name
// on a slow disk keeps neither waiting.
void frmBmpGet::dropEvent(QDropEvent* event)
{
    const QString name = droppedName(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this,
        [this, name] {
            openNamed(*this, name, [name](const QString& why) {
                qCWarning(lcBrowser).noquote() << "cannot open what was dropped:" << name << why;
            });
        },
        Qt::QueuedConnection);
}

} // namespace tl
