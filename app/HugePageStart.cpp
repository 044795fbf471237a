#include "app/HugePageStart.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANTIS_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANTIS_OWN_ALLOCATOR 1
#endif
#endif

void restartWithHugePages(char** argv) {
#ifndef CORVANTIS_OWN_ALLOCATOR
    const char* const name = "GLIBC_TUNABLES";
    const char* const setting = "glibc.malloc.hugetlb";
    const char* const current = std::getenv(name);
    // Set already, by the start before this one or by the user: their value
    // stands, and the program never starts itself twice.
    if (current && std::strstr(current, setting)) return;
    const std::string previous = current ? current : "";
    const std::string tunables = (previous.empty() ? "" : previous + ":") + setting + "=1";
    if (setenv(name, tunables.c_str(), 1) != 0) return;
    execv("/proc/self/exe", argv);
    // Not started again: on as before, with the environment as it was.
    if (current)
        setenv(name, previous.c_str(), 1);
    else
        unsetenv(name);
#else
    (void)argv;
#endif
}
