#include "platform/processend.h"

#include "platform/logging.h"
#include "platform/pools.h"

#include <QThreadPool>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace tl {

namespace {
    // Made once and never destroyed, like the pools: an exit() from a library may come at any time.
    struct Stoppers {
        std::mutex mutex;
        std::vector<const std::function<void()>*> all;
    };
    Stoppers& stoppers()
    {
        static Stoppers* const made = new Stoppers;
        return *made;
    }
} // namespace

StopAtEnd::StopAtEnd(std::function<void()> stop)
    : stop_(std::move(stop))
{
    const std::lock_guard lock(stoppers().mutex);
    stoppers().all.push_back(&stop_);
}

StopAtEnd::~StopAtEnd()
{
    const std::lock_guard lock(stoppers().mutex);
    std::erase(stoppers().all, &stop_);
}

void endProcess(int status, std::chrono::milliseconds grace)
{
    // A second end (an exit() from inside the first, another thread) waits for the first one.
    static std::mutex* const ending = new std::mutex;
    ending->lock();
    {
        const std::lock_guard lock(stoppers().mutex);
        for (const std::function<void()>* stop : stoppers().all)
            (*stop)();
    }
    drainPools(grace);
    std::fflush(nullptr);
    std::_Exit(status);
}

namespace {
    QtMessageHandler earlierHandler = nullptr;

    // Qt's X11 connection says that it broke just before it calls exit(1): the process ends here
    // instead, before exit() destroys anything that a thread still decoding may touch.
    void endOnALostDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (earlierHandler)
            earlierHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke")))
            endProcess(EXIT_FAILURE);
    }
} // namespace

void endEveryExitThisWay()
{
    earlierHandler = qInstallMessageHandler(endOnALostDisplay);
    // What the pools' threads may touch is made now, so that it is older than the handler: exit()
    // destroys what was made after the handler before it calls it.
    QThreadPool::globalInstance();
    for (const auto category : { lcFiles, lcPictures, lcControls, lcBrowser, lcHelp, lcApp })
        category();
    handExitsToEndProcess();
}

} // namespace tl
