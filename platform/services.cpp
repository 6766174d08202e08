#include "platform/services.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QMessageBox>
#include <QSet>
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
        QStringList drives() override { return rootsOf(mountedDrives()); }
        DriveStatus probe(const QString& root) override { return probeDrive(root); }
    };

    QMap<QString, QString>& rememberedFolders()
    {
        static QMap<QString, QString> folders;
        return folders;
    }

    QSet<QString>& listedDrives()
    {
        static QSet<QString> roots;
        return roots;
    }

} // namespace

std::function<void(const QString&)> MsgBox = showMessageBox;
std::function<void(int)> endProgram = [](int status) { std::_Exit(status); };
std::function<QString()> applicationFolder = [] { return QCoreApplication::applicationDirPath(); };
std::shared_ptr<DriveSource> driveSource = std::make_shared<MountedDriveSource>();

QStringList listDrives()
{
    const QStringList roots = driveSource->drives();
    for (const QString& root : roots)
        listedDrives().insert(root);
    return roots;
}

bool wasListedDrive(const QString& root) { return listedDrives().contains(root); }

QChar separator() { return QDir::separator(); }

QString currentFolderOf(const QStringList& roots, const QString& driveRoot)
{
    const auto it = rememberedFolders().constFind(driveRoot);
    if (it != rememberedFolders().constEnd())
        return *it;
    const QString cwd = currentFolder();
    return driveOf(roots, cwd, QDir::rootPath()) == driveRoot ? cwd : driveRoot;
}

void rememberFolder(const QString& driveRoot, const QString& folder) { rememberedFolders().insert(driveRoot, folder); }

void forgetDrives()
{
    rememberedFolders().clear();
    listedDrives().clear();
}

} // namespace tl
