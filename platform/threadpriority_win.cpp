#include "platform/threadpriority.h"

namespace tl {

// Windows honours the priority Qt gave the thread when it started it.
void settleLowPriority() { }

} // namespace tl
