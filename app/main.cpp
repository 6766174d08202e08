#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    tl::keepToTheDesktopsSessionBus();
    QApplication app(argc, argv);
    tl::startProgram(QApplication::arguments());
    return app.exec();
}
