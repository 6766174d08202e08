#include "platform/memory.h"

#include <cstdlib> // says whether this is glibc (__GLIBC__)
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tl {

void returnLargeBlocksToTheSystem()
{
#if defined(__GLIBC__)
    // glibc raises its threshold for mapping a block on its own as blocks are freed, up to 32 MB, and
    // then keeps freed pictures in each thread's arena. A fixed threshold keeps every block of a
    // megabyte or more mapped on its own and unmapped when freed.
    constexpr int LargeBlock = 1 << 20;
    mallopt(M_MMAP_THRESHOLD, LargeBlock);
#endif
}

} // namespace tl
