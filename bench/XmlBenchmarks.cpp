// Read and write throughput of Corvantis and the peer libraries on the same
// generated documents, side by side in one run. Throughput is the document's
// size over the time taken, for writing as for reading, so the two columns
// measure the same work for every library.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/DocumentGenerator.h"
#include "bench/Libraries.h"
#include "core/Dom.h"
#include "core/Search.h"

namespace {

using corvantis::bench::Library;

// A document kind, generated on first use so that listing or filtering the
// benchmarks costs nothing.
class Sample {
public:
    Sample(std::string name, std::function<std::string()> make)
        : name_(std::move(name)), make_(std::move(make)) {}
    const std::string& name() const { return name_; }
    const std::string& text() {
        if (!made_) {
            text_ = make_();
            made_ = true;
        }
        return text_;
    }

private:
    std::string name_;
    std::function<std::string()> make_;
    std::string text_;
    bool made_ = false;
};

std::vector<std::unique_ptr<Sample>> makeSamples(std::size_t notesBytes) {
    namespace gen = corvantis::bench;
    const std::size_t mixedBytes = std::max<std::size_t>(notesBytes / 5, 1 << 20);
    std::vector<std::unique_ptr<Sample>> samples;
    samples.push_back(std::make_unique<Sample>("notes", [=] { return gen::notesDocument(notesBytes); }));
    samples.push_back(std::make_unique<Sample>("wide", [] { return gen::wideDocument(1'000'000); }));
    samples.push_back(std::make_unique<Sample>("deep", [] { return gen::deepDocument(100'000); }));
    samples.push_back(std::make_unique<Sample>("text", [] { return gen::textDocument(3, 10 << 20); }));
    samples.push_back(std::make_unique<Sample>("mixed", [=] { return gen::mixedDocument(mixedBytes); }));
    samples.push_back(
        std::make_unique<Sample>("attributes", [] { return gen::manyAttributesDocument(100'000); }));
    return samples;
}

void setThroughput(benchmark::State& state, const std::string& xml) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(xml.size()));
}

// Times the read alone: freeing the document is left out for every library.
void readBenchmark(benchmark::State& state, Library& library, Sample& sample) {
    const std::string& xml = sample.text();
    for (auto _ : state) {
        if (!library.read(xml)) {
            state.SkipWithError("the library refused the document");
            break;
        }
        state.PauseTiming();
        library.release();
        state.ResumeTiming();
    }
    library.release();
    setThroughput(state, xml);
}

void writeBenchmark(benchmark::State& state, Library& library, Sample& sample) {
    const std::string& xml = sample.text();
    if (!library.read(xml)) {
        state.SkipWithError("the library refused the document");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.write());
    }
    library.release();
    setThroughput(state, xml);
}

// A search that walks the whole document, every name, text, attribute and
// comment, beside the core's read of the same bytes in the same iteration:
// the benchmark's time is the search's; read_ms, search_ms and their ratio
// are counted alongside.
void searchBenchmark(benchmark::State& state, Sample& sample, std::string query, corvantis::SearchOptions options) {
    using Clock = std::chrono::steady_clock;
    const std::string& xml = sample.text();
    double read = 0;
    double search = 0;
    std::size_t matches = 0;
    for (auto _ : state) {
        auto dom = std::make_unique<corvantis::DOM>("bench");
        const Clock::time_point start = Clock::now();
        dom->parse(xml.data(), xml.size());
        const Clock::time_point parsed = Clock::now();
        corvantis::SearchWalk walk(*dom, corvantis::TextMatcher(query, options));
        std::vector<corvantis::SearchMatch> found;
        walk.run(SIZE_MAX, found);
        const Clock::time_point searched = Clock::now();
        const double searchSeconds = std::chrono::duration<double>(searched - parsed).count();
        read += std::chrono::duration<double>(parsed - start).count();
        search += searchSeconds;
        matches = found.size();
        state.SetIterationTime(searchSeconds);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["read_ms"] = read / iterations * 1000;
    state.counters["search_ms"] = search / iterations * 1000;
    state.counters["search_per_read"] = read > 0 ? search / read : 0;
    state.counters["matches"] = static_cast<double>(matches);
    setThroughput(state, xml);
}

// libxml2 appends each attribute by walking the element's list, so one
// element with 100,000 attributes takes it minutes; that pair is left out.
bool measured(const Sample& sample, const Library& library) {
    return !(sample.name() == "attributes" && std::string_view(library.name()) == "libxml2");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    std::size_t notesBytes = 0;
    try {
        notesBytes = corvantis::bench::notesBytesFromEnvironment();
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    const auto libraries = corvantis::bench::allLibraries();
    const auto samples = makeSamples(notesBytes);
    for (const auto& sample : samples) {
        for (const auto& library : libraries) {
            if (!measured(*sample, *library)) {
                continue;
            }
            benchmark::RegisterBenchmark(("read/" + sample->name() + "/" + library->name()).c_str(),
                                         readBenchmark, std::ref(*library), std::ref(*sample))
                ->Unit(benchmark::kMillisecond);
        }
        for (const auto& library : libraries) {
            if (library->writes() && measured(*sample, *library)) {
                benchmark::RegisterBenchmark(("write/" + sample->name() + "/" + library->name()).c_str(),
                                             writeBenchmark, std::ref(*library), std::ref(*sample))
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    // Searched case-insensitively for a frequent word and for one that is
    // nowhere, and as a whole word.
    const struct {
        const char* name;
        const char* query;
        corvantis::SearchOptions options;
    } searches[] = {{"meeting", "MEETING", {}}, {"absent", "zebra", {}}, {"word", "plan", {false, true}}};
    for (const auto& search : searches)
        benchmark::RegisterBenchmark((std::string("search/notes/") + search.name).c_str(), searchBenchmark,
                                     std::ref(*samples.front()), std::string(search.query), search.options)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
