// Reading and writing the way File > Open and File > Save meet them: one read
// of a document in a fresh process, then one write of what was read. Every
// run is a process of its own (this program started again with "--child"),
// so no library reuses memory that an earlier read touched, and nothing is
// set in the environment for any of them (no allocator tunables).
//
// The child reads the document file into a buffer, notes its resident size,
// resets its high-water mark (clear_refs), reads the document with the
// library, notes the time and the resident size again, then writes the
// document once. It reports:
//   - read and write: CPU time (user and system: first touches of fresh
//     memory are system time);
//   - held: how far the resident size rose with the read, that is every
//     page the held document keeps alive, the library's own copy of the
//     input included, allocator overhead included;
//   - peak: how far the high-water mark rose during the read.
// The input buffer itself is part of the starting size: a library whose
// document kept pointing into the caller's buffer would have to be charged
// for it separately (none of the compared ones does).
//
// The parent generates the documents into a temporary folder, runs every
// library on every document `runs` times, alternating the libraries, and
// prints the medians side by side with each figure's ratio to pugixml.
//
//   xml_cold_runs [runs] [document...]      (runs: 3 by default)
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/DocumentGenerator.h"
#include "bench/Libraries.h"
#include "bench/ProcessMemory.h"

extern char** environ;

namespace {

using corvantis::bench::resetPeakResidentSize;
using corvantis::bench::statusKiB;

using corvantis::bench::Library;

struct Run {
    double readSeconds = -1;
    double writeSeconds = -1;  // negative for a library that keeps no document
    long heldKiB = -1;
    long peakKiB = -1;
};

// ---- the child ----------------------------------------------------------

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool readFile(const char* path, std::string& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    bytes.resize(static_cast<std::size_t>(length));
    const bool complete = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    return complete;
}

int child(const std::string& libraryName, const char* path) {
    std::string xml;
    if (!readFile(path, xml)) return 1;
    for (const auto& library : corvantis::bench::allLibraries()) {
        if (library->name() != libraryName) continue;
        Run run;
        const long before = statusKiB("VmRSS");
        if (before < 0 || !resetPeakResidentSize()) return 1;
        const double start = cpuSeconds();
        if (!library->read(xml)) return 1;
        run.readSeconds = cpuSeconds() - start;
        run.heldKiB = statusKiB("VmRSS") - before;
        run.peakKiB = statusKiB("VmHWM") - before;
        if (library->writes()) {
            const double writeStart = cpuSeconds();
            const std::size_t written = library->write();
            run.writeSeconds = cpuSeconds() - writeStart;
            if (written == 0 && !xml.empty()) return 1;
        }
        std::printf("%.6f %.6f %ld %ld\n", run.readSeconds, run.writeSeconds, run.heldKiB, run.peakKiB);
        std::fflush(stdout);
        // The document is left to the system, as the program leaves it at exit.
        std::_Exit(0);
    }
    return 1;
}

// ---- the parent ---------------------------------------------------------

// Starts this program as a child for one run and reads its report; a run
// whose child failed has a negative read time.
Run runChild(const std::string& self, const std::string& library, const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, channel[0]);
    std::vector<std::string> arguments{self, "--child", library, path};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(channel[1]);
    Run run;
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(report.c_str(), "%lf %lf %ld %ld", &run.readSeconds, &run.writeSeconds, &run.heldKiB,
                    &run.peakKiB) != 4)
        return {};
    return run;
}

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Document {
    std::string name;
    std::function<std::string()> make;
};

std::vector<Document> documents(std::size_t notesBytes) {
    namespace gen = corvantis::bench;
    const std::size_t mixedBytes = std::max<std::size_t>(notesBytes / 5, 1 << 20);
    return {
        {"notes", [=] { return gen::notesDocument(notesBytes); }},
        {"wide", [] { return gen::wideDocument(1'000'000); }},
        {"deep", [] { return gen::deepDocument(100'000); }},
        {"text", [] { return gen::textDocument(3, 10 << 20); }},
        {"mixed", [=] { return gen::mixedDocument(mixedBytes); }},
        {"attributes", [] { return gen::manyAttributesDocument(100'000); }},
    };
}

// As in the throughput benchmarks: libxml2 takes minutes for one element
// with 100,000 attributes.
bool measured(const std::string& document, const std::string& library) {
    return !(document == "attributes" && library == "libxml2");
}

std::string ratio(double value, double pugixml) {
    if (value <= 0 || pugixml <= 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, " (%.2f)", value / pugixml);
    return text;
}

void printTable(const std::string& document, double documentMiB, const std::vector<std::string>& libraries,
                std::map<std::string, std::vector<Run>>& runs) {
    std::printf("\n%s (%.1f MiB): median of %zu fresh processes; in brackets the ratio to pugixml "
                "(speed for times, size for memory)\n\n",
                document.c_str(), documentMiB, runs.begin()->second.size());
    std::printf("| Library | Read (ms) | Write (ms) | Held (MiB) | Peak (MiB) |\n|---|---:|---:|---:|---:|\n");
    auto medianOf = [&](const std::string& library, auto field) {
        std::vector<double> values;
        for (const Run& run : runs[library]) values.push_back(field(run));
        return median(values);
    };
    auto read = [](const Run& r) { return r.readSeconds * 1e3; };
    auto write = [](const Run& r) { return r.writeSeconds * 1e3; };
    auto held = [](const Run& r) { return static_cast<double>(r.heldKiB) / 1024; };
    auto peak = [](const Run& r) { return static_cast<double>(r.peakKiB) / 1024; };
    const bool withPugixml = runs.count("pugixml") > 0;
    for (const std::string& library : libraries) {
        if (runs.count(library) == 0) continue;
        const double r = medianOf(library, read), w = medianOf(library, write);
        const double h = medianOf(library, held), p = medianOf(library, peak);
        const auto speed = [&](double value, auto field) {
            return withPugixml && value > 0 ? ratio(medianOf("pugixml", field), value) : std::string();
        };
        const auto size = [&](double value, auto field) {
            return withPugixml ? ratio(value, medianOf("pugixml", field)) : std::string();
        };
        char writeText[48] = "-";
        if (w >= 0) std::snprintf(writeText, sizeof writeText, "%.1f%s", w, speed(w, write).c_str());
        std::printf("| %s | %.1f%s | %s | %.1f%s | %.1f%s |\n", library.c_str(), r, speed(r, read).c_str(),
                    writeText, h, size(h, held).c_str(), p, size(p, peak).c_str());
    }
    std::fflush(stdout);
}

int parent(const std::string& self, int runCount, const std::vector<std::string>& wanted) {
    std::size_t notesBytes = 0;
    try {
        notesBytes = corvantis::bench::notesBytesFromEnvironment();
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    std::string folderPattern = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    folderPattern += "/corvantis-cold-XXXXXX";
    if (!mkdtemp(folderPattern.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    const std::string folder = folderPattern;
    std::vector<std::string> libraries;
    for (const auto& library : corvantis::bench::allLibraries()) libraries.push_back(library->name());

    bool allMeasured = true;
    for (const Document& document : documents(notesBytes)) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), document.name) == wanted.end()) continue;
        const std::string path = folder + "/" + document.name + ".xml";
        double documentMiB = 0;
        {
            const std::string xml = document.make();
            documentMiB = static_cast<double>(xml.size()) / (1 << 20);
            std::ofstream(path, std::ios::binary).write(xml.data(), static_cast<std::streamsize>(xml.size()));
        }
        std::map<std::string, std::vector<Run>> runs;
        for (int i = 0; i < runCount; ++i) {
            for (const std::string& library : libraries) {
                if (!measured(document.name, library)) continue;
                const Run run = runChild(self, library, path);
                if (run.readSeconds < 0) {
                    std::fprintf(stderr, "%s failed on %s\n", library.c_str(), document.name.c_str());
                    allMeasured = false;
                    continue;
                }
                runs[library].push_back(run);
            }
        }
        std::remove(path.c_str());
        if (!runs.empty()) printTable(document.name, documentMiB, libraries, runs);
    }
    rmdir(folder.c_str());
    return allMeasured ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return child(argv[2], argv[3]);
    int runCount = 3;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        const long n = std::strtol(argv[i], &end, 10);
        if (*end == '\0' && n > 0)
            runCount = static_cast<int>(n);
        else
            wanted.emplace_back(argv[i]);
    }
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 2;
    return parent(std::string(self, static_cast<std::size_t>(length)), runCount, wanted);
}
