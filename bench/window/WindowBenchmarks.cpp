// Open and Save of the generated notes documents (1, 10 and 100 MiB) through
// the program's real main window, drawn offscreen.
//
// open/N: from the File>Open command, its file dialog answering with the
// file, until the user sees the document: the tree built and fully expanded,
// pending events processed and the tree's viewport painted. The window holds
// a fresh new document before each open, so dropping a previous large tree
// is not counted here.
// reopen/N: the same open over the already opened document, which the
// command drops first.
// drop/N: File>New over the opened document.
// save/N: the File>Save command on the opened document, marked changed,
// writing over its file in a temporary folder.
// phases/N: one open and save taken apart, to see where the time goes:
// reading the file, parsing it into a document of its own, the Open command,
// rebuilding the tree from the window's document (old items dropped, new
// ones made and expanded), expanding alone, the first paint, serializing,
// writing, collapsing, and File>New on the collapsed tree.
//
// Each benchmark reports seconds per iteration (s), MiB/s of the file's size,
// and the process's peak resident size during the benchmark (peak_RSS_MiB).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include "app/Treeorganizer.h"
#include "bench/DocumentGenerator.h"
#include "core/Dom.h"
#include "document/Document.h"
#include "document/DocumentText.h"
#include "document/DocumentTreeModel.h"
#include "document/SaveFile.h"
#include "editors/Texteditor.h"
#include "tree/DocumentTreeView.h"
#include "widgets/SettingsStore.h"
#include "widgets/UserDialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---- Peak resident size ----

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::stol(line.substr(length + 1));
    return -1;
}

// Lowers the high-water mark to the present resident size, after handing
// the memory earlier benchmarks freed back to the system.
void resetPeakRss() {
    malloc_trim(0);
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
}

// ---- The generated files ----

// One notes file per size, written once, when a benchmark first needs it.
class NotesFiles {
public:
    const QString& path(int megabytes) {
        QString& path = paths_[megabytes];
        if (path.isEmpty()) {
            const std::string text = corvantis::bench::notesDocument(static_cast<std::size_t>(megabytes) << 20);
            const QString name = folder_.filePath(QString("notes-%1MiB.XML").arg(megabytes));
            QFile file(name);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
                return path;  // empty: the benchmark reports the failure
            path = name;
        }
        return path;
    }
    QString folder() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    std::map<int, QString> paths_;
};

NotesFiles* notesFiles = nullptr;

// ---- The program under measurement ----

// File dialogs answer with the file the benchmark names; any message box is
// counted, since on these documents it can only be an error.
class FixedDialogs : public UserDialogs {
public:
    QString file;
    int messages = 0;
    QString lastMessage;

    Answer message(QWidget*, const QString& text, const QString&, Buttons) override {
        ++messages;
        lastMessage = text;
        return Answer::Cancel;
    }
    QString openFileName(QWidget*, const FileRequest&) override { return file; }
    QString saveFileName(QWidget*, const FileRequest&) override { return file; }
};

// Counts the paints the tree's viewport receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The windows as the entry point puts them together, with their settings and
// program folder in a temporary folder of their own, shown and activated.
class Program {
public:
    Program()
        : settings_(store_.filePath("MyBusiness.ini")),
          window_(settings_, dialogs, document_, store_.path() + "/"),
          textEditor_(settings_) {
        window_.AttachTextEditor(&textEditor_);
        window_.TreeView()->viewport()->installEventFilter(&paints_);
        window_.show();
        // The first activation finds no remembered file and starts a new document.
        window_.FormActivate();
        settle();
    }
    ~Program() { window_.TreeView()->viewport()->removeEventFilter(&paints_); }

    TVelmorant& window() { return window_; }
    DocumentTreeView* tree() { return window_.TreeView(); }

    // Processes pending events until the tree's viewport has been painted,
    // as the user sees it. Should no paint come within about 100 ms, the
    // viewport is grabbed, which paints it, and `forcedPaints` counts that.
    void showUntilPainted() {
        const int before = paints_.paints;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        for (int round = 0; round < 20 && paints_.paints == before; ++round)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        if (paints_.paints == before) {
            ++forcedPaints;
            QPixmap picture = tree()->viewport()->grab();
            benchmark::DoNotOptimize(picture);
        }
    }
    void settle() {
        for (int round = 0; round < 3; ++round) QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    FixedDialogs dialogs;
    int forcedPaints = 0;

private:
    QTemporaryDir store_;
    SettingsStore settings_;
    Document document_;
    TVelmorant window_;
    TTT textEditor_;
    PaintCounter paints_;
};

// Rows in the tree, and whether every row with children is expanded.
struct TreeShape {
    long items = 0;
    bool expanded = true;
};

TreeShape shapeOf(DocumentTreeView* tree) {
    TreeShape shape;
    const DocumentTreeModel* rows = tree->documentModel();
    for (int row = 0; row < rows->rowCount(); ++row) {
        ++shape.items;
        const QModelIndex index = rows->index(row, 0);
        if (rows->hasChildElements(index) && !rows->isExpanded(index)) shape.expanded = false;
    }
    return shape;
}

// Opens `path` with File>Open. False (with the state told why) on failure.
bool openFile(benchmark::State& state, Program& program, const QString& path) {
    program.dialogs.file = path;
    program.window().OpenMnuClick();
    if (program.dialogs.messages > 0) {
        state.SkipWithError(("the window reported: " + program.dialogs.lastMessage.toStdString()).c_str());
        return false;
    }
    return true;
}

// File>Open until the user sees the tree.
bool openAndShow(benchmark::State& state, Program& program, const QString& path) {
    if (!openFile(state, program, path)) return false;
    program.showUntilPainted();
    return true;
}

void report(benchmark::State& state, double totalSeconds, qint64 fileBytes) {
    const double iterations = static_cast<double>(state.iterations());
    state.counters["s"] = benchmark::Counter(totalSeconds, benchmark::Counter::kAvgIterations);
    state.counters["MiB/s"] = benchmark::Counter(
        totalSeconds > 0 ? iterations * static_cast<double>(fileBytes) / (1 << 20) / totalSeconds : 0);
    state.counters["peak_RSS_MiB"] = benchmark::Counter(static_cast<double>(statusKiB("VmHWM")) / 1024);
}

bool fileFor(benchmark::State& state, int megabytes, QString& path, qint64& bytes) {
    path = notesFiles->path(megabytes);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the generated document");
        return false;
    }
    bytes = QFileInfo(path).size();
    return true;
}

// Runs one iteration's timed work and counts its time; false when the work
// failed, which ends the benchmark.
template <typename Work>
bool timed(benchmark::State& state, double& total, Work work) {
    const Clock::time_point start = Clock::now();
    if (!work()) return false;
    const double seconds = secondsSince(start);
    state.SetIterationTime(seconds);
    total += seconds;
    return true;
}

// ---- Benchmarks ----

void openBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Program program;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        // Start from the window's new document, as after File>New.
        program.window().NewMnuClick();
        program.settle();

        if (!timed(state, total, [&] { return openAndShow(state, program, path); })) break;
    }
    const TreeShape shape = shapeOf(program.tree());
    if (!shape.expanded) state.SkipWithError("the tree is not fully expanded");
    state.counters["items"] = benchmark::Counter(static_cast<double>(shape.items));
    state.counters["forced_paints"] = benchmark::Counter(program.forcedPaints);
    report(state, total, bytes);
}

// File>Open of the same file over the opened document: the old tree and
// document are dropped inside the timed command, as when a user opens one
// large file after another.
void reopenBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Program program;
    if (!openAndShow(state, program, path)) return;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        if (!timed(state, total, [&] { return openAndShow(state, program, path); })) break;
    }
    report(state, total, bytes);
}

// File>New over the opened document: the large tree and document dropped.
void dropBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Program program;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        if (!openFile(state, program, path)) break;
        program.settle();

        timed(state, total, [&] {
            program.window().NewMnuClick();
            program.showUntilPainted();
            return true;
        });
    }
    report(state, total, bytes);
}

void saveBenchmark(benchmark::State& state, int megabytes) {
    QString original;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, original, bytes)) return;
    // Save writes over the opened file: a copy keeps the generated one intact.
    const QString path = notesFiles->folder() + QString("/saved-%1MiB.XML").arg(megabytes);
    QFile::remove(path);
    if (!QFile::copy(original, path)) {
        state.SkipWithError("cannot copy the generated document");
        return;
    }
    Program program;
    if (!openAndShow(state, program, path)) return;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        const bool saved = timed(state, total, [&] {
            const bool written = program.window().SaveMnuClick();
            program.settle();
            return written && program.dialogs.messages == 0;
        });
        if (!saved) {
            state.SkipWithError("Save failed");
            break;
        }
    }
    // The writer makes the generated layout, so the saved file is the same size.
    if (QFileInfo(path).size() != bytes) state.SetLabel("saved size differs from the file read");
    report(state, total, bytes);
    QFile::remove(path);
}

// One open taken apart. The phases repeat work the window does in one go, so
// their sum is only near open/N.
void phasesBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Program program;
    resetPeakRss();
    double read = 0, parse = 0, openCommand = 0, rebuild = 0, expand = 0, paint = 0, serialize = 0, write = 0,
           collapse = 0, dropCollapsed = 0;
    const QString savePath = notesFiles->folder() + QString("/phases-%1MiB.XML").arg(megabytes);
    for (auto _ : state) {
        const double before =
            read + parse + openCommand + rebuild + expand + paint + serialize + write + collapse + dropCollapsed;
        // Reading and parsing as File>Open does, into a document of its own.
        Clock::time_point start = Clock::now();
        QByteArray content;
        {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                state.SkipWithError("cannot read the generated document");
                break;
            }
            content = file.readAll();
        }
        read += secondsSince(start);
        start = Clock::now();
        {
            corvantis::DOM document("Corvantis");
            const DocumentText text = DocumentText::forFile(content.constData(), static_cast<std::size_t>(content.size()));
            benchmark::DoNotOptimize(text);
            document.parse(content.constData(), static_cast<std::size_t>(content.size()));
            parse += secondsSince(start);
            content = QByteArray();
        }  // freeing the document is not counted

        program.window().NewMnuClick();
        program.settle();
        start = Clock::now();
        if (!openFile(state, program, path)) break;
        openCommand += secondsSince(start);

        // The tree again from the same document: the open's items dropped,
        // new ones made and expanded, with updates off as the window has it.
        start = Clock::now();
        program.window().BuildTree();
        rebuild += secondsSince(start);

        program.tree()->collapseToTop();
        start = Clock::now();
        program.tree()->expandEverything();
        expand += secondsSince(start);

        start = Clock::now();
        program.showUntilPainted();
        paint += secondsSince(start);

        start = Clock::now();
        const corvantis::StringObject saved = program.window().document().dom().serialize();
        serialize += secondsSince(start);
        start = Clock::now();
        if (!saveFileAtomically(savePath, saved.view())) {
            state.SkipWithError("cannot write the document");
            break;
        }
        write += secondsSince(start);

        // Dropping the tree in two steps: the expansion first, then the
        // items and the document, as File>New does.
        start = Clock::now();
        program.tree()->collapseToTop();
        collapse += secondsSince(start);
        start = Clock::now();
        program.window().NewMnuClick();
        dropCollapsed += secondsSince(start);
        program.settle();
        state.SetIterationTime(read + parse + openCommand + rebuild + expand + paint + serialize + write + collapse + dropCollapsed - before);
    }
    QFile::remove(savePath);
    using benchmark::Counter;
    const auto average = [](double seconds) { return Counter(seconds, Counter::kAvgIterations); };
    state.counters["read_s"] = average(read);
    state.counters["parse_s"] = average(parse);
    state.counters["open_command_s"] = average(openCommand);
    state.counters["BuildTree_s"] = average(rebuild);
    state.counters["expandAll_s"] = average(expand);
    state.counters["first_paint_s"] = average(paint);
    state.counters["serialize_s"] = average(serialize);
    state.counters["write_s"] = average(write);
    state.counters["collapseAll_s"] = average(collapse);
    state.counters["New_after_collapse_s"] = average(dropCollapsed);
    state.counters["peak_RSS_MiB"] = Counter(static_cast<double>(statusKiB("VmHWM")) / 1024);
}

// Few iterations: a 100 MiB open takes seconds.
int iterationsFor(int megabytes) { return megabytes >= 100 ? 2 : megabytes >= 10 ? 3 : 10; }

}  // namespace

int main(int argc, char** argv) {
    // Drawn offscreen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    NotesFiles files;
    notesFiles = &files;

    const int sizes[] = {1, 10, 100};
    const struct {
        const char* name;
        void (*run)(benchmark::State&, int);
    } kinds[] = {{"open", openBenchmark}, {"save", saveBenchmark}, {"reopen", reopenBenchmark},
                   {"drop", dropBenchmark}, {"phases", phasesBenchmark}};
    for (const auto& kind : kinds)
        for (const int megabytes : sizes)
            benchmark::RegisterBenchmark((std::string(kind.name) + "/" + std::to_string(megabytes) + "MiB").c_str(),
                                         kind.run, megabytes)
                ->UseManualTime()
                ->Iterations(iterationsFor(megabytes))
                ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    notesFiles = nullptr;
    return 0;
}
