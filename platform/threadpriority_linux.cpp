#include "platform/threadpriority.h"

#include <QThread>
#include <sys/resource.h>
#include <unistd.h>

namespace tl {

namespace {
    // Low enough that a page decoding beside it gets most of the processor, not so low that a
    // prefetch a page waits for starves while other programs keep the processor busy.
    constexpr int LowNice = 10;
} // namespace

// Linux's default scheduler has a single priority level, so Qt's thread priorities change nothing;
// a nice value, which Linux keeps for each thread, does. A thread may lower its own priority freely.
void settleLowPriority()
{
    thread_local bool settled = false;
    if (settled || QThread::currentThread()->priority() != QThread::LowestPriority)
        return;
    settled = true;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), LowNice);
}

} // namespace tl
