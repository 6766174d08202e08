#include "platform/services.h"

#include <QApplication>
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

} // namespace

std::function<void(const QString&)> MsgBox = showMessageBox;
std::function<void(int)> endProgram = [](int status) { std::_Exit(status); };
std::function<QString()> applicationFolder = [] { return QCoreApplication::applicationDirPath(); };

} // namespace tl
