#include "platform/services.h"

#include "platform/filesystem.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QMessageBox>
#include <cstdlib>

namespace tl {

namespace {

    void showMessageBox(const QString& text)
    {
        QMessageBox box(
            QMessageBox::NoIcon, QStringLiteral("Tessaline"), text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    }

    struct MountedDriveSource : DriveSource {
        QStringList drives() override
        {
            QStringList roots;
            for (const MountedDrive& d : mountedDrives())
                roots << d.root;
            return roots;
        }
        DriveStatus probe(const QString& root) override
        {
            switch (probeDrive(root)) {
            case DriveState::Ready:
                return DriveStatus::Ready;
            case DriveState::Gone:
                return DriveStatus::Gone;
            case DriveState::NoMedium:
                return DriveStatus::NoMedium;
            case DriveState::Unreadable:
                return DriveStatus::Unreadable;
            case DriveState::Failed:
                break;
            }
            return DriveStatus::Failed;
        }
    };

    QMap<QString, QString>& rememberedFolders()
    {
        static QMap<QString, QString> folders;
        return folders;
    }

    bool isWithin(const QString& path, const QString& root)
    {
        if (!path.startsWith(root))
            return false;
        return path.size() == root.size() || root.endsWith(QLatin1Char('/')) || path.at(root.size()) == '/';
    }

} // namespace

std::function<void(const QString&)> MsgBox = showMessageBox;
std::function<void()> EndProgram = [] { std::_Exit(0); };
std::function<QString()> ApplicationFolder = [] { return QCoreApplication::applicationDirPath(); };
std::shared_ptr<DriveSource> Drives = std::make_shared<MountedDriveSource>();

QChar separator() { return QDir::separator(); }

QString driveOf(const QString& absolutePath)
{
    const QString path = QDir::fromNativeSeparators(absolutePath);
    QString best;
    for (const QString& root : Drives->drives()) {
        const QString r = QDir::fromNativeSeparators(root);
        if (isWithin(path, r) && r.size() > best.size())
            best = root;
    }
    return best.isEmpty() ? QDir::rootPath() : best;
}

QString currentFolderOf(const QString& driveRoot)
{
    const auto it = rememberedFolders().constFind(driveRoot);
    if (it != rememberedFolders().constEnd())
        return *it;
    const QString cwd = QDir::currentPath();
    return driveOf(cwd) == driveRoot ? cwd : driveRoot;
}

void rememberFolder(const QString& folder) { rememberedFolders().insert(driveOf(folder), folder); }

void forgetRememberedFolders() { rememberedFolders().clear(); }

} // namespace tl
