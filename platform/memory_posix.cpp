// Large pages through transparent huge pages where the system has them.
#include "platform/memory.h"
#include <cstdint>
#include <sys/mman.h>

void platformLargePages(void* area, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t large = uintptr_t(1) << 21;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(area) + large - 1) & ~(large - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(area) + bytes) & ~(large - 1);
    if (start < end) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)area, (void)bytes;
#endif
}
