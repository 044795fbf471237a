// The conversions an ISO-8859-1 file goes through, timed the way File > Open
// and File > Save meet them, each run in a fresh process, beside the core's
// own read and write of the same document:
//   read:  decodeFile (ISO-8859-1 to the model's UTF-8), then DOM::parse;
//   write: DOM::serialize, then FileEncoding::toFile (back to ISO-8859-1, a
//          character it cannot hold as a character reference).
// Two documents of the notes size (CORVANTIS_BENCH_NOTES_MB): the notes
// document as generated, ASCII, where the conversions only look; and the same
// with accented words ("é " for every "e ", "à " for every "a ") and a
// reference to a character beyond ISO-8859-1 in every Note's text.
//
//   encoding_conversion [runs]      (runs: 3 by default)
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/DocumentGenerator.h"
#include "core/Dom.h"
#include "document/FileEncoding.h"

extern char** environ;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// decode, parse, serialize, encode: seconds of CPU time.
using Times = std::vector<double>;

int child(const char* path) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const QByteArray input = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    double t = cpuSeconds();
    const DecodedFile decoded = decodeFile(input);
    const double decode = cpuSeconds() - t;
    t = cpuSeconds();
    corvantis::DOM dom("bench");
    dom.parse(decoded.text.constData(), static_cast<std::size_t>(decoded.text.size()));
    const double parse = cpuSeconds() - t;
    t = cpuSeconds();
    const corvantis::StringObject text = dom.serialize();
    const double serialize = cpuSeconds() - t;
    t = cpuSeconds();
    std::string storage;
    const std::string_view written = decoded.encoding.toFile(text.view(), storage);
    const double encode = cpuSeconds() - t;
    if (written.empty()) return 1;
    std::printf("%.6f %.6f %.6f %.6f\n", decode, parse, serialize, encode);
    std::fflush(stdout);
    std::_Exit(0);
}

Times runChild(const std::string& self, const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, channel[0]);
    std::vector<std::string> arguments{self, "--child", path};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(channel[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    Times times(4);
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(report.c_str(), "%lf %lf %lf %lf", &times[0], &times[1], &times[2], &times[3]) != 4)
        return {};
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string accented(std::string xml) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"e ", "\xE9 "}, {"a ", "\xE0 "},
                                   {"<Note>", "<Note>&#x263A; "}}) {
        for (std::size_t at = xml.find(from); at != std::string::npos; at = xml.find(from, at + to.size()))
            xml.replace(at, from.size(), to);
    }
    return xml;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    std::string notes = corvantis::bench::notesDocument(corvantis::bench::notesBytesFromEnvironment());
    notes.replace(0, notes.find("?>") + 2, declaration);
    const std::pair<const char*, std::string> documents[] = {{"notes, ASCII", notes}, {"notes, accented", accented(notes)}};
    const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                             "/corvantis-encoding-" + std::to_string(getpid()) + ".xml";
    std::printf("| Document | High bytes | Decode (ms) | Parse (ms) | Serialize (ms) | Encode (ms) | "
                "Read: decode / parse | Write: encode / serialize |\n|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& [name, xml] : documents) {
        std::ofstream(path, std::ios::binary).write(xml.data(), static_cast<std::streamsize>(xml.size()));
        const auto high = std::count_if(xml.begin(), xml.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        std::vector<double> columns[4];
        for (int i = 0; i < runs; ++i) {
            const Times times = runChild(argv[0], path);
            if (times.empty()) {
                std::fprintf(stderr, "a run failed on %s\n", name);
                return 1;
            }
            for (int k = 0; k < 4; ++k) columns[k].push_back(times[static_cast<std::size_t>(k)] * 1e3);
        }
        const double decode = median(columns[0]), parse = median(columns[1]);
        const double serialize = median(columns[2]), encode = median(columns[3]);
        std::printf("| %s | %.2f%% | %.1f | %.1f | %.1f | %.1f | %.2f | %.2f |\n", name,
                    100.0 * static_cast<double>(high) / static_cast<double>(xml.size()), decode, parse, serialize,
                    encode, decode / parse, encode / serialize);
        std::fflush(stdout);
    }
    std::remove(path.c_str());
    return 0;
}
