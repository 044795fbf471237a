// The core alone, the way a fresh process would open a document: read the
// file and parse it, nothing else. Prints the time since the process began
// and its peak resident size, so the window benchmarks can hold the whole
// program's start against it in the same run.
//
//   core_cold_read FILE   ->   "read <seconds> <peak KiB> <elements>"
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include <sys/mman.h>

#include "core/Dom.h"

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: core_cold_read FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) return 1;
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    // Read straight into memory nothing has touched, as the program does: no
    // zero fill first, and huge pages where the system has them.
    const std::size_t capacity = (static_cast<std::size_t>(length) + hugePage) / hugePage * hugePage;
    void* mapped = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return 1;
    madvise(mapped, capacity, MADV_HUGEPAGE);
    char* bytes = static_cast<char*>(mapped);
    const std::size_t read = std::fread(bytes, 1, static_cast<std::size_t>(length), file);
    std::fclose(file);
    corvantis::DOM dom("Corvantis");
    dom.parse(bytes, read);
    const int elements = dom.elementIndex().count();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("read %.6f %ld %d\n", static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9, peakKiB(), elements);
    std::fflush(stdout);
    // The document is not freed: the program does not free it at exit either.
    std::_Exit(0);
}
