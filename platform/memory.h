// Page-size hint for the large static areas the program fills at start-up.
#pragma once
#include <cstddef>

// Asks the system to back the 2 MiB-aligned middle of [area, area + bytes)
// with large pages, so that writing it for the first time takes a page fault
// per 2 MiB instead of per 4 KiB. A hint: it may do nothing, and the contents
// are unchanged either way.
void platformLargePages(void* area, size_t bytes);
