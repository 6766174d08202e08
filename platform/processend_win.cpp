#include "platform/processend.h"

#include <cstdlib>

namespace tl {

namespace {
    // Windows does not tell an exit handler the status: an end the program did not choose is a failure.
    void endThisWay() { endProcess(EXIT_FAILURE, {}); }
} // namespace

void handExitsToEndProcess() { std::atexit(endThisWay); }

} // namespace tl
