#include "app/startup.h"
#include "platform/files/nativenames.h"
#include "platform/memory.h"
#include "platform/processend.h"

#include <QApplication>

int main(int argc, char** argv)
{
    tl::returnLargeBlocksToTheSystem();
    tl::keepToTheDesktopsSessionBus();
    QApplication app(argc, argv);
    // What QApplication left of the arguments, names read as the lists read them.
    tl::startProgram(tl::files::commandLineArguments(argc, argv));
    // Qt ends the process with exit() when the display goes away, whatever threads are running.
    tl::endEveryExitThisWay();
    // The last window closed: the end never waits for a read that hangs, nor destroys what a thread
    // still running may touch.
    tl::endProcess(app.exec());
}
