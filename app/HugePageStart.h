// Huge pages for the program's large allocations from the C library: the
// tree view keeps a 40-byte item per shown row, over a million of them for
// a 100 MiB document, and touching that memory a 4 KiB page at a time is a
// sixth of opening one. The C library asks the system for huge pages only
// when told so in the environment before the process starts, so the
// program starts itself once more with that setting (same process, same
// arguments). Builds under AddressSanitizer, whose allocator ignores the
// setting, are left as they are.
#pragma once

// Returns only when the program runs on as started: the setting was there
// already, or starting again failed.
void restartWithHugePages(char** argv);
