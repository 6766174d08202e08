#pragma once

// The one way the process ends, whatever ends it: the user's own end, the last window closed, or an
// exit() called inside a library (Qt's X11 connection calls it when the display goes away). Work
// still running is told to stop and given a short grace; then the process ends without destroying
// anything static and without joining threads, one of which may be stuck in the kernel on a read
// that never returns. The program writes nothing, so nothing is lost by not tidying up.

#include <chrono>
#include <functional>

namespace tl {

// How long the end waits for running work to stop.
constexpr std::chrono::milliseconds EndGrace { 300 };

// Ends the process with `status` as above, after at most `grace` for running work. Safe to call from
// any thread, and more than once.
[[noreturn]] void endProcess(int status, std::chrono::milliseconds grace = EndGrace);

// While it lives, `stop` is called at the end of the process before the grace: it tells work to stop
// (sets cancel flags) and must not wait for anything.
class StopAtEnd {
public:
    explicit StopAtEnd(std::function<void()> stop);
    ~StopAtEnd();
    StopAtEnd(const StopAtEnd&) = delete;
    StopAtEnd& operator=(const StopAtEnd&) = delete;

private:
    std::function<void()> stop_;
};

// From now on an exit() anywhere in the process ends it through endProcess, with the status that exit()
// was given where the system tells it, and without a grace: exit() destroys what was made static after
// this before it gets there. Qt's own exit() for a display gone away is caught before it is called,
// by the warning Qt writes just before it. Called once the windows are up.
void endEveryExitThisWay();
// The system's part of it: exit() calls endProcess (processend_linux.cpp, processend_win.cpp).
void handExitsToEndProcess();

} // namespace tl
