// Export, filter and replace on the generated notes document (100 MiB, or
// CORVANTIS_BENCH_NOTES_MB), each held against what the program already
// does with the same document, side by side in one run:
//
// save: the program's own Save of the opened document (the target
// inspected, the document written and converted to its file's encoding,
// written through the save routine) into a temporary folder.
// export/html, export/markdown: the whole document exported to a file in
// the same folder, through the same routine. Aims: ≤ 2× and ≤ 1.5× save.
// find/<word>: the find bar's whole-document search, in its slices between
// events, until the search is finished.
// filter/first/<word>: from typing the query until the filter's first row
// is there; filter/all/<word> until every folder has been looked at. The
// word is in about 1% of the folders. Aim: first ≤ find.
// filter/tree/<word>: the same through the tree's rows, which pass the
// filter's on to the view, until every folder has been looked at; aim:
// the tree shown filtered within 0.5 s. filter/cleared: the filter taken
// off again (Escape), until the tree's rows are every folder's again.
// replace/all/<word>: Replace All of a word with about 150,000 matches
// (at 100 MiB), and replace/undo its undo. Aims: ≤ 1 s each.
// replace/expression: the same word as a regular expression with a group,
// which reads every text as characters.
//
// Every figure is the time of one run; after the runs the medians and the
// ratios the aims are about are printed together.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/DocumentGenerator.h"
#include "document/Document.h"
#include "document/DocumentFilter.h"
#include "document/DocumentReplace.h"
#include "document/DocumentSearch.h"
#include "document/DocumentTreeModel.h"
#include "document/Export.h"
#include "document/ReadFile.h"
#include "document/SaveFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The word in about 1% of the folders (a comment's), and the one Replace All changes.
const char* const RareWord = "reviewed";
const char* const ReplacedWord = "milk";

// The opened notes document, its file and a folder to write into.
class Notes {
public:
    Notes() {
        const std::string text = corvantis::bench::notesDocument(corvantis::bench::notesBytesFromEnvironment());
        path_ = folder_.filePath("notes.xml");
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
            throw std::runtime_error("cannot write the notes document");
        file.close();
        bytes_ = static_cast<double>(text.size());
        QByteArray read;
        FileError error;
        if (readWholeFile(path_, read, error) != ReadResult::Read) throw std::runtime_error("cannot read it back");
        document_.load(read, path_, path_);
    }

    Document& document() { return document_; }
    QString output(const char* name) const { return folder_.filePath(name); }
    double bytes() const { return bytes_; }

private:
    QTemporaryDir folder_;
    QString path_;
    double bytes_ = 0;
    Document document_;
};

Notes* notes = nullptr;

// Each benchmark's times, for the summary, and the benchmark running.
std::map<std::string, std::vector<double>> times;
std::string running;

void record(benchmark::State& state, double seconds) {
    state.SetIterationTime(seconds);
    times[running].push_back(seconds);
}

void fail(benchmark::State& state, const std::string& why) { state.SkipWithError(why.c_str()); }

void saveBenchmark(benchmark::State& state) {
    const QString path = notes->output("saved.xml");
    for (auto _ : state) {
        const auto start = Clock::now();
        // As Save does it: the target inspected once, the document's file bytes written.
        const SaveTarget target = SaveTarget::inspect(path);
        const corvantis::StringObject text = notes->document().dom().serialize();
        std::string converted;
        const SaveOutcome outcome = target.refusal.isError()
                                        ? SaveOutcome()
                                        : saveFileAtomically(path, notes->document().fileBytes(text, converted));
        record(state, secondsSince(start));
        if (!outcome) return fail(state, "save failed");
    }
    state.counters["MiB/s"] = benchmark::Counter(notes->bytes() / (1 << 20), benchmark::Counter::kIsIterationInvariantRate);
}

void exportBenchmark(benchmark::State& state, ExportFormat format, const char* file) {
    const QString path = notes->output(file);
    for (auto _ : state) {
        const auto start = Clock::now();
        const SaveOutcome outcome = exportToFile(notes->document(), nullptr, format, path);
        record(state, secondsSince(start));
        if (!outcome) return fail(state, "export failed");
    }
    state.counters["MiB/s"] = benchmark::Counter(notes->bytes() / (1 << 20), benchmark::Counter::kIsIterationInvariantRate);
}

// Handles events until `done` says so.
template <class Done>
void handleEventsUntil(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void findBenchmark(benchmark::State& state) {
    for (auto _ : state) {
        DocumentSearch search(notes->document());
        const auto start = Clock::now();
        search.setQuery(RareWord, {});
        handleEventsUntil([&] { return search.isFinished(); });
        record(state, secondsSince(start));
        state.counters["matches"] = search.count();
    }
}

void filterBenchmark(benchmark::State& state, bool wholeWalk) {
    for (auto _ : state) {
        DocumentFilter filter(notes->document());
        const auto start = Clock::now();
        filter.setQuery(RareWord);
        handleEventsUntil([&] { return wholeWalk ? filter.isFinished() : !filter.rows().empty() || filter.isFinished(); });
        record(state, secondsSince(start));
        if (filter.rows().empty()) return fail(state, "the filter found nothing");
        if (wholeWalk) {
            const std::size_t matches = std::count_if(filter.rows().begin(), filter.rows().end(),
                                                      [](const DocumentFilter::Row& row) {
                                                          return row.shown == DocumentFilter::Shown::Match;
                                                      });
            state.counters["folders_%"] =
                100.0 * static_cast<double>(matches) / notes->document().dom().elementIndex().count();
        }
    }
}

void treeFilterBenchmark(benchmark::State& state, bool clearing) {
    for (auto _ : state) {
        DocumentTreeModel rows(notes->document());
        auto start = Clock::now();
        rows.filter().setQuery(RareWord);
        handleEventsUntil([&] { return rows.filter().isFinished(); });
        if (clearing) {
            start = Clock::now();
            rows.filter().setQuery(QString());
        }
        record(state, secondsSince(start));
        if (rows.isFiltered() == clearing) return fail(state, "the filter is not as asked");
    }
}

void replaceBenchmark(benchmark::State& state, bool timeUndo, bool expression) {
    Document& document = notes->document();
    const TextReplacer replacer = expression ? TextReplacer(QString("(%1)").arg(ReplacedWord), "cream \\1",
                                                            {false, false, true}, document.text())
                                             : TextReplacer(ReplacedWord, "cream", {}, document.text());
    for (auto _ : state) {
        const auto start = Clock::now();
        const ReplaceOutcome outcome = replaceAll(document, replacer);
        const double replacing = secondsSince(start);
        if (outcome.status != ReplaceOutcome::Status::Done) return fail(state, "nothing replaced");
        state.counters["matches"] = outcome.replaced;
        const auto undoStart = Clock::now();
        document.undo();
        record(state, timeUndo ? secondsSince(undoStart) : replacing);
        if (document.hasUnsavedChanges()) return fail(state, "the undo left changes");
    }
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printSummary() {
    const auto of = [](const std::string& name) { return median(times[name]); };
    const double save = of("save");
    const double find = of(std::string("find/") + RareWord);
    std::printf("\nMedians (s) and the ratios the aims are about, %.0f MiB notes document:\n", notes->bytes() / (1 << 20));
    std::printf("  save %.3f | export/html %.3f = %.2fx save (aim <= 2) | export/markdown %.3f = %.2fx save (aim <= 1.5)\n",
                save, of("export/html"), of("export/html") / save, of("export/markdown"),
                of("export/markdown") / save);
    std::printf("  find/%s %.3f | filter/first %.4f = %.3fx find (aim <= 1) | filter/all %.3f\n", RareWord, find,
                of(std::string("filter/first/") + RareWord), of(std::string("filter/first/") + RareWord) / find,
                of(std::string("filter/all/") + RareWord));
    std::printf("  filter/tree/%s %.3f (aim <= 0.5) | filter/cleared %.3f\n", RareWord,
                of(std::string("filter/tree/") + RareWord), of("filter/cleared"));
    std::printf("  replace/all/%s %.3f (aim <= 1) | replace/undo %.3f (aim <= 1) | replace/expression %.3f\n",
                ReplacedWord, of(std::string("replace/all/") + ReplacedWord),
                of(std::string("replace/undo/") + ReplacedWord), of("replace/expression"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        notes = new Notes;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 2;
    }
    const auto add = [](const std::string& name, auto function) {
        return benchmark::RegisterBenchmark(name.c_str(),
                                            [name, function](benchmark::State& state) {
                                                running = name;
                                                function(state);
                                            })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("save", saveBenchmark);
    add("export/html", [](benchmark::State& state) { exportBenchmark(state, ExportFormat::Html, "notes.html"); });
    add("export/markdown", [](benchmark::State& state) { exportBenchmark(state, ExportFormat::Markdown, "notes.md"); });
    add(std::string("find/") + RareWord, findBenchmark);
    add(std::string("filter/first/") + RareWord, [](benchmark::State& state) { filterBenchmark(state, false); });
    add(std::string("filter/all/") + RareWord, [](benchmark::State& state) { filterBenchmark(state, true); });
    add(std::string("filter/tree/") + RareWord, [](benchmark::State& state) { treeFilterBenchmark(state, false); });
    add("filter/cleared", [](benchmark::State& state) { treeFilterBenchmark(state, true); });
    add(std::string("replace/all/") + ReplacedWord,
        [](benchmark::State& state) { replaceBenchmark(state, false, false); });
    add(std::string("replace/undo/") + ReplacedWord,
        [](benchmark::State& state) { replaceBenchmark(state, true, false); });
    add("replace/expression", [](benchmark::State& state) { replaceBenchmark(state, false, true); });
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    delete notes;
    return 0;
}
