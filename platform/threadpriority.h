#pragma once

namespace tl {

// Gives a thread that its pool started at QThread::LowestPriority that low priority also where
// the system's scheduler ignores Qt's thread priorities. Does nothing on any other thread, such as
// the user-interface thread running a queued job it waits for. Cheap after the first call.
void settleLowPriority();

} // namespace tl
