#include "app/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tl::startProgram(QApplication::arguments());
    return app.exec();
}
