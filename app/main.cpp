#include "app/startup.h"
#include "platform/memory.h"
#include "platform/processend.h"

#include <QApplication>

int main(int argc, char** argv)
{
    tl::returnLargeBlocksToTheSystem();
    tl::keepToTheDesktopsSessionBus();
    QApplication app(argc, argv);
    tl::startProgram(QApplication::arguments());
    // Qt ends the process with exit() when the display goes away, whatever threads are running.
    tl::endEveryExitThisWay();
    // The last window closed: the end never waits for a read that hangs, nor destroys what a thread
    // still running may touch.
    tl::endProcess(app.exec());
}
