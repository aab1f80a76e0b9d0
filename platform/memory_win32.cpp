// Windows grants large pages only with a privilege the program does not ask
// for: the hint does nothing here.
#include "platform/memory.h"

void platformLargePages(void*, size_t) {}
