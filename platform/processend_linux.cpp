#include "platform/processend.h"

#include <cstdlib>

namespace tl {

namespace {
    void endThisWay(int status, void*) { endProcess(status, {}); }
} // namespace

// glibc's on_exit is handed exit()'s status, which atexit is not.
void handExitsToEndProcess() { ::on_exit(endThisWay, nullptr); }

} // namespace tl
