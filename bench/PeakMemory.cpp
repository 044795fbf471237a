// Peak memory of each library while it reads and then holds the notes
// document. Every read runs in a child process of its own, so no library
// reuses memory another one left behind. The child notes its resident size,
// resets its high-water mark (clear_refs), reads the document and reports how
// far the high-water mark rose above the starting size: everything the read
// needed at its worst, the kept document and the reader's transient memory,
// as the operating system counts it, allocator overhead included.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/DocumentGenerator.h"
#include "bench/Libraries.h"

namespace {

using corvantis::bench::Library;

struct Usage {
    long peakKiB = -1;  // rise of the high-water mark during the read
    long heldKiB = -1;  // resident size kept once the read has finished
};

// A "Vm…:  123 kB" field of /proc/self/status; -1 when it is missing.
long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
            return std::stol(line.substr(length + 1));
        }
    }
    return -1;
}

bool resetPeak() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

// Runs in the child: a negative result means the measurement failed.
Usage measureInChild(Library& library, const std::string& xml) {
    Usage usage;
    const long before = statusKiB("VmRSS");
    if (before < 0 || !resetPeak() || !library.read(xml)) {
        return usage;
    }
    usage.peakKiB = statusKiB("VmHWM") - before;
    usage.heldKiB = statusKiB("VmRSS") - before;
    return usage;
}

Usage measure(Library& library, const std::string& xml) {
    int channel[2];
    if (pipe(channel) != 0) {
        return {};
    }
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const Usage usage = measureInChild(library, xml);
        const bool sent = write(channel[1], &usage, sizeof usage) == static_cast<ssize_t>(sizeof usage);
        _exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Usage usage;
    if (child < 0 || read(channel[0], &usage, sizeof usage) != static_cast<ssize_t>(sizeof usage)) {
        usage = {};
    }
    close(channel[0]);
    int status = 0;
    if (child > 0 &&
        (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)) {
        usage = {};
    }
    return usage;
}

double mebibytes(long kib) { return static_cast<double>(kib) / 1024.0; }

}  // namespace

int main() {
    std::string xml;
    try {
        xml = corvantis::bench::notesDocument(corvantis::bench::notesBytesFromEnvironment());
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    const double documentMiB = static_cast<double>(xml.size()) / (1 << 20);
    std::printf("Notes document: %.1f MiB\n\n", documentMiB);
    std::printf("| Library | Peak while reading (MiB) | Held after reading (MiB) | Peak / document size |\n");
    std::printf("|---|---:|---:|---:|\n");
    bool allMeasured = true;
    for (const auto& library : corvantis::bench::allLibraries()) {
        const Usage usage = measure(*library, xml);
        if (usage.peakKiB < 0) {
            std::printf("| %s | failed | failed | |\n", library->name());
            allMeasured = false;
            continue;
        }
        std::printf("| %s | %.1f | %.1f | %.2f |\n", library->name(), mebibytes(usage.peakKiB),
                    mebibytes(usage.heldKiB), mebibytes(usage.peakKiB) / documentMiB);
    }
    return allMeasured ? 0 : 1;
}
