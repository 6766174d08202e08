#include "platform/services.h"

#include "platform/processend.h"

#include <QApplication>
#include <QMessageBox>

namespace tl {

namespace {

    void showMessageBox(const QString& text)
    {
        QMessageBox box(
            QMessageBox::NoIcon, QStringLiteral("Tessaline"), text, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    }

} // namespace

std::function<void(const QString&)> MsgBox = showMessageBox;
std::function<void(int)> endProgram = [](int status) { endProcess(status); };
std::function<QString()> applicationFolder = [] { return QCoreApplication::applicationDirPath(); };

} // namespace tl
