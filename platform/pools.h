#pragma once

// The program's own thread pools. They are made on first use and never destroyed: a thread may be
// stuck in a read of a share that has gone away, and nothing it can still touch may be destroyed
// under it, nor may the end of the program wait for it. Qt's global pool stays free for Qt's own
// parallel work (smooth scaling hands its strips to it, and a decode waiting for them must find it
// free).

#include <QThreadPool>
#include <chrono>

namespace tl {

// File system calls and reads: folder listings, file status, opens, reading a file's bytes. Many
// threads, since each may wait on a slow or hanging disk without using a core.
QThreadPool& ioPool();
// Decoding what was read: one thread a core, under the decode budget.
QThreadPool& cpuPool();
// Decoding ahead of the user, at the lowest priority: the rows around a page.
QThreadPool& prefetchPool();

// Drops the work still queued on every pool and waits up to `grace` for what is running; whether all
// of it ended. Running work is told to stop by whoever started it.
bool drainPools(std::chrono::milliseconds grace);

} // namespace tl
