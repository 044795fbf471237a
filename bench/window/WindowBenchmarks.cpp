// Open and Save of the generated notes documents (1, 10 and 100 MiB; 400 MiB
// and 1 GiB for how the program scales) through the program's real main
// window, drawn offscreen.
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
// versions/N: the same Save with Options>Keep Versions on and off, one of
// each per iteration, so both meet the machine as it is: the replaced file
// linked into a versions folder on the same file system (the older ones
// pruned as the program prunes them). versions-copied/N: the versions
// folder on another file system (/dev/shm), where each version is a copy.
// phases/N: one open and save taken apart, to see where the time goes:
// reading the file (surveyed as it is read), decoding and parsing it into a
// document of its own, the Open command,
// rebuilding the tree from the window's document (old items dropped, new
// ones made and expanded), expanding alone, the first paint, serializing,
// writing, collapsing, and File>New on the collapsed tree.
//
// start/N: `corvantis FILE` from process start until the fully expanded tree
// is painted, against a process that only reads and parses the same file
// with the core (core_cold_read), both fresh processes, side by side in one
// run; and how long the process takes to end once its windows close.
// quit/N: the same program after a long edit history (a folder of a million
// elements read in, deleted and the delete undone, a thousand renames):
// from its main window closing, unsaved changes dropped, to the process's end.
// edit/N: on the open document, delete, copy-paste and move-paste of a
// subtree of about 10,000 elements, and the undo of each, until the tree is
// painted as it stands afterwards.
// find/N: the find bar's search through the whole open document.
// viewsource/N: Options > View Source of the open document until the viewer
// has painted, with how far the peak resident size rose, also as a multiple
// of the file's size.
// select/20MB, select/20MB-unbroken: a folder whose text is 20 MB (lines of
// words; or one line without a break) in the 1 MiB document: selecting it
// until the text frame has painted its text, with how far the peak resident
// size rose; a key typed into the text, Undo (which takes back the typing)
// and Find Next onto the next match in the text, each until the frame has
// painted; and how long the find bar's search takes to go through the
// document (search_ms), in slices between events.
//
// Each benchmark reports seconds per iteration (s), MiB/s of the file's size,
// and the process's peak resident size during the benchmark (peak_RSS_MiB).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
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
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTimer>

#include "app/HugePageStart.h"
#include "app/Program.h"
#include "app/MainWindow.h"
#include "bench/DocumentGenerator.h"
#include "bench/ProcessMemory.h"
#include "checks/DomChecks.h"
#include "core/Dom.h"
#include "document/Autosave.h"
#include "document/Commands.h"
#include "document/RecoveryStore.h"
#include "document/Document.h"
#include "document/DocumentFiles.h"
#include "document/Selection.h"
#include "document/DocumentText.h"
#include "document/DocumentTreeModel.h"
#include "document/ReadFile.h"
#include "document/SaveFile.h"
#include "editors/SourceViewer.h"
#include "editors/TextEditorWindow.h"
#include "editors/TextFrame.h"
#include "tree/DocumentTreeView.h"
#include "tree/FindBar.h"
#include "widgets/SettingsStore.h"
#include "widgets/LargeTextEdit.h"
#include "document/UserQuestions.h"
#include "document/VersionStore.h"

namespace {

using corvantis::bench::statusKiB;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---- Peak resident size ----

// Lowers the high-water mark to the present resident size, after handing
// the memory earlier benchmarks freed back to the system.
void resetPeakRss() {
    malloc_trim(0);
    corvantis::bench::resetPeakResidentSize();
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
class FixedDialogs : public UserQuestions {
public:
    QString file;
    int messages = 0;
    QString lastMessage;
    // What a question is answered with.
    Answer answer = Answer::Cancel;

    Answer message(const QString& text, const QString&, Buttons) override {
        ++messages;
        lastMessage = text;
        return answer;
    }
    int choose(const QString& text, const QString&, const QStringList&) override {
        ++messages;
        lastMessage = text;
        return -1;
    }
    QString openFileName(const FileRequest&) override { return file; }
    QString saveFileName(const FileRequest&) override { return file; }
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
class Windows {
public:
    Windows()
        : settings_(store_.filePath("MyBusiness.ini")),
          window_(settings_, dialogs, document_, store_.path() + "/"),
          textEditor_(settings_) {
        window_.attachTextEditor(&textEditor_);
        window_.treeView()->viewport()->installEventFilter(&paints_);
        window_.show();
        // The first activation finds no remembered file and starts a new document.
        window_.startUp();
        settle();
    }
    ~Windows() { window_.treeView()->viewport()->removeEventFilter(&paints_); }

    MainWindow& window() { return window_; }
    Document& document() { return document_; }
    DocumentTreeView* tree() { return window_.treeView(); }

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
    TextEditorWindow& textEditor() { return textEditor_; }

    FixedDialogs dialogs;
    int forcedPaints = 0;

private:
    QTemporaryDir store_;
    SettingsStore settings_;
    Document document_;
    MainWindow window_;
    TextEditorWindow textEditor_;
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
bool openFile(benchmark::State& state, Windows& program, const QString& path) {
    program.dialogs.file = path;
    program.window().files().open();
    if (program.dialogs.messages > 0) {
        state.SkipWithError(("the window reported: " + program.dialogs.lastMessage.toStdString()).c_str());
        return false;
    }
    return true;
}

// File>Open until the user sees the tree.
bool openAndShow(benchmark::State& state, Windows& program, const QString& path) {
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
    Windows program;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        // Start from the window's new document, as after File>New.
        program.window().files().newDocument();
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
    Windows program;
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
    Windows program;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        if (!openFile(state, program, path)) break;
        program.settle();

        timed(state, total, [&] {
            program.window().files().newDocument();
            program.showUntilPainted();
            return true;
        });
    }
    report(state, total, bytes);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Save writes over the opened file: a copy of the generated one, which stays
// intact. Empty (with the state told why) when it cannot be made.
QString copyToSave(benchmark::State& state, const QString& original, const QString& name) {
    const QString path = notesFiles->folder() + "/" + name;
    QFile::remove(path);
    if (QFile::copy(original, path)) return path;
    state.SkipWithError("cannot copy the generated document");
    return QString();
}

// File>Save of the document marked changed (a save without changes writes
// nothing); false (with the state told why) when it failed.
bool saveChanged(benchmark::State& state, Windows& program, double& seconds) {
    program.document().markUnsaved();
    const Clock::time_point start = Clock::now();
    const bool written = program.window().files().save();
    program.settle();
    seconds = secondsSince(start);
    if (written && program.dialogs.messages == 0) return true;
    state.SkipWithError("Save failed");
    return false;
}

void saveBenchmark(benchmark::State& state, int megabytes) {
    QString original;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, original, bytes)) return;
    const QString path = copyToSave(state, original, QString("saved-%1MiB.XML").arg(megabytes));
    if (path.isEmpty()) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    resetPeakRss();
    double total = 0;
    for (auto _ : state) {
        double seconds = 0;
        if (!saveChanged(state, program, seconds)) break;
        state.SetIterationTime(seconds);
        total += seconds;
    }
    // The writer makes the generated layout, so the saved file is the same size.
    if (QFileInfo(path).size() != bytes) state.SetLabel("saved size differs from the file read");
    report(state, total, bytes);
    QFile::remove(path);
}

// Reports the save with versions kept; off_s and on_s are the medians.
void versionsBenchmark(benchmark::State& state, int megabytes, const QString& versionsFolder) {
    QString original;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, original, bytes)) return;
    const QString path = copyToSave(state, original, QString("versions-%1MiB.XML").arg(megabytes));
    if (path.isEmpty()) return;
    QTemporaryDir folder(versionsFolder + "/corvantis-versions-XXXXXX");
    if (!folder.isValid()) {
        state.SkipWithError("cannot make the versions folder");
        return;
    }
    VersionStore store(folder.path());
    Windows program;
    if (!openAndShow(state, program, path)) return;
    DocumentFiles& files = program.window().files();
    files.attachVersions(store);
    std::vector<double> off, on;
    double total = 0;
    int round = 0;
    for (auto _ : state) {
        // Each goes first in every other round.
        for (const bool keep : {round % 2 == 0, round % 2 != 0}) {
            files.setKeepVersions(keep);
            double seconds = 0;
            if (!saveChanged(state, program, seconds)) break;
            (keep ? on : off).push_back(seconds);
            if (keep) {
                state.SetIterationTime(seconds);
                total += seconds;
            }
        }
        ++round;
    }
    if (store.versions(path).isEmpty()) state.SkipWithError("no version was kept");
    // What keeping adds, alone (the noise of two saves on a busy machine can
    // be larger than the difference): a file like the one a save replaces,
    // with no other name, kept, and the oldest version pruned.
    std::vector<double> keeping;
    const QString replaced = path + ".replaced";
    for (int round = 0; round < 5; ++round) {
        QFile::remove(replaced);
        if (!QFile::copy(path, replaced)) break;
        FileError error;
        const Clock::time_point start = Clock::now();
        const bool kept = !store.keep(path, QFile::encodeName(replaced), error).isEmpty();
        store.prune(path, bytes);
        keeping.push_back(secondsSince(start));
        if (!kept) state.SkipWithError("no version was kept");
    }
    QFile::remove(replaced);
    state.counters["keep_prune_ms"] = median(keeping) * 1000;
    state.counters["off_s"] = median(off);
    state.counters["on_s"] = median(on);
    state.counters["slower_%"] = median(off) > 0 ? (median(on) / median(off) - 1) * 100 : 0;
    report(state, total, bytes);
    QFile::remove(path);
}

void versionsLinkedBenchmark(benchmark::State& state, int megabytes) {
    versionsBenchmark(state, megabytes, notesFiles->folder());
}

void versionsCopiedBenchmark(benchmark::State& state, int megabytes) {
    versionsBenchmark(state, megabytes, "/dev/shm");
}

// One open taken apart. The phases repeat work the window does in one go, so
// their sum is only near open/N.
void phasesBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Windows program;
    resetPeakRss();
    double read = 0, parse = 0, openCommand = 0, rebuild = 0, expand = 0, paint = 0, serialize = 0, write = 0,
           collapse = 0, dropCollapsed = 0;
    const QString savePath = notesFiles->folder() + QString("/phases-%1MiB.XML").arg(megabytes);
    for (auto _ : state) {
        const double before =
            read + parse + openCommand + rebuild + expand + paint + serialize + write + collapse + dropCollapsed;
        // Reading (the file's bytes surveyed on the way), decoding and
        // parsing as File>Open does, into a document of its own.
        Clock::time_point start = Clock::now();
        QByteArray content;
        ByteSurvey survey;
        {
            FileError error;
            if (readWholeFile(path, content, error, &survey) != ReadResult::Read) {
                state.SkipWithError("cannot read the generated document");
                break;
            }
        }
        read += secondsSince(start);
        start = Clock::now();
        {
            corvantis::DOM document("Corvantis");
            DecodedFile decoded = decodeFile(content, survey);
            content = QByteArray();
            document.parse(decoded.text.constData(), static_cast<std::size_t>(decoded.text.size()));
            parse += secondsSince(start);
            decoded.text = QByteArray();
        }  // freeing the document is not counted

        program.window().files().newDocument();
        program.settle();
        start = Clock::now();
        if (!openFile(state, program, path)) break;
        openCommand += secondsSince(start);

        // The tree again from the same document: the open's items dropped,
        // new ones made and expanded, with updates off as the window has it.
        start = Clock::now();
        program.window().treeView()->documentModel()->rebuild();
        rebuild += secondsSince(start);

        program.tree()->collapseToTop();
        start = Clock::now();
        program.tree()->expandEverything();
        expand += secondsSince(start);

        start = Clock::now();
        program.showUntilPainted();
        paint += secondsSince(start);

        start = Clock::now();
        const corvantis::StringObject saved = program.document().dom().serialize();
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
        program.window().files().newDocument();
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


// ---- The whole program in a fresh process ----

double monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// This benchmark program, which also runs the program under measurement.
std::string selfPath;

// What a child process reported, against the moment it was started.
struct ChildRun {
    bool ok = false;
    double shownSeconds = 0;  // from start until its report
    long peakKiB = 0;
    double endSeconds = 0;  // from its last report until it had ended
};

// Starts `argv`, reads its reports ("<word> <monotonic time> <peak KiB> ...")
// and waits for it to end.
ChildRun runChild(const std::vector<std::string>& argv) {
    ChildRun run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    const double started = monotonicNow();
    // Started as a user starts them: without the setting this process
    // started itself again with, so the program pays for its own restart.
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, "GLIBC_TUNABLES=", 15) != 0) environment.push_back(*variable);
    environment.push_back(nullptr);
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return run;
    }
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const double ended = monotonicNow();
    char word[32];
    double stamp = 0, lastStamp = 0;
    long peak = 0;
    bool first = true;
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t end = output.find('\n', at);
        const std::string line = output.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? output.size() : end + 1;
        if (std::sscanf(line.c_str(), "%31s %lf %ld", word, &stamp, &peak) != 3) continue;
        if (first) {
            run.shownSeconds = stamp - started;
            run.peakKiB = peak;
            first = false;
        }
        lastStamp = stamp;
    }
    run.endSeconds = ended - lastStamp;
    run.ok = !first && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

void startBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    const std::string file = QFile::encodeName(path).toStdString();
    std::vector<double> program, core, programPeak, corePeak, quit;
    for (auto _ : state) {
        const ChildRun read = runChild({CORVANTIS_CORE_COLD_READ, file});
        const ChildRun start = runChild({selfPath, "--program", file});
        if (!read.ok || !start.ok) {
            state.SkipWithError("a child process failed");
            return;
        }
        state.SetIterationTime(start.shownSeconds);
        program.push_back(start.shownSeconds);
        core.push_back(read.shownSeconds);
        programPeak.push_back(static_cast<double>(start.peakKiB) / 1024);
        corePeak.push_back(static_cast<double>(read.peakKiB) / 1024);
        quit.push_back(start.endSeconds);
    }
    state.counters["program_s"] = median(program);
    state.counters["core_read_s"] = median(core);
    state.counters["time_ratio"] = median(program) / median(core);
    state.counters["program_peak_MiB"] = median(programPeak);
    state.counters["core_peak_MiB"] = median(corePeak);
    state.counters["peak_ratio"] = median(programPeak) / median(corePeak);
    state.counters["quit_s"] = median(quit);
}

// ---- Editing the open document ----

// A folder of about `elements` elements, read in under the top element
// from a generated notes document (the read is not timed).
corvantis::DOMNode* addFolderOf(Document& document, std::size_t elements) {
    corvantis::DOMNode* top = document.dom().rootElement();
    // The notes documents hold about 12,500 elements per MiB.
    const std::string xml = corvantis::bench::notesDocument(elements * 84);
    corvantis::DOMError error;
    std::unique_ptr<corvantis::DOMNode> fragment = document.readFragment(xml.data(), xml.size(), error);
    corvantis::DOMNode* folder = nullptr;
    for (int i = 0; i < fragment->childCount() && !folder; ++i)
        if (fragment->childAt(i)->nodeType() == corvantis::ELEMENT) folder = fragment->childAt(i);
    // First under the top element, so that a move-paste under it (to its
    // end) really moves the folder.
    document.push(std::make_unique<InsertFragment>(document, corvantis::NodePlace{top, 0}, std::move(fragment), "folder"));
    return folder;
}

// A long edit history on the open document: a folder of a million elements
// read in, deleted through the window's command and the delete undone,
// then a thousand renames of the top element.
void editAtLength(Program& program) {
    MainWindow& window = program.window();
    Document& document = program.document();
    corvantis::DOMNode* folder = addFolderOf(document, 1'000'000);
    corvantis::DOMNode* top = document.dom().rootElement();
    window.selection().select(folder);
    window.action(Command::DeleteFolder)->trigger();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    window.action(Command::Undo)->trigger();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (int round = 0; round < 1000; ++round)
        document.push(std::make_unique<RenameElement>(
            document, top, corvantis::StringObject(round % 2 ? "Notes" : "Notes2"), "rename"));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // The pause after the last change ends: the autosave of the whole
    // document starts on its worker, and is under way when the window closes.
    program.autosave().setIntervals(0, 0);
    document.push(std::make_unique<RenameElement>(document, top, corvantis::StringObject("Notes"), "rename"));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Run as `window_benchmarks --program FILE`: the program as `corvantis FILE`
// starts it, offscreen. Reports "shown" at the first paint of the tree once
// the document is in it, then closes the main window as the user would and
// reports "closing"; the parent times the rest until the process has ended.
// As `--program-edited FILE` it first makes editAtLength's history, and
// answers No when asked to save the changes.
int runProgramChild(int argc, char** argv) {
    const bool edited = std::strcmp(argv[1], "--program-edited") == 0;
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    QTemporaryDir store;
    SettingsStore settings(store.filePath("MyBusiness.ini"));
    FixedDialogs dialogs;
    dialogs.answer = UserQuestions::Answer::No;
    auto program = std::make_unique<Program>(settings, dialogs, QString::fromLocal8Bit(argv[2]));
    DocumentTreeView* tree = program->window().treeView();
    class FirstPaint : public QObject {
    public:
        FirstPaint(DocumentTreeView* tree, Program& program, bool edited)
            : tree_(tree), program_(program), edited_(edited) {}

    protected:
        bool eventFilter(QObject*, QEvent* event) override {
            // The rows of the opened document, not the empty window's.
            if (event->type() != QEvent::Paint || done_ || tree_->model()->rowCount() < 2) return false;
            done_ = true;
            // Reported once the paint has been done.
            QTimer::singleShot(0, [this] {
                std::printf("shown %.6f %ld\n", monotonicNow(), statusKiB("VmHWM"));
                std::fflush(stdout);
                if (edited_) editAtLength(program_);
                std::printf("closing %.6f %ld\n", monotonicNow(), statusKiB("VmHWM"));
                std::fflush(stdout);
                program_.window().close();
            });
            return false;
        }

    private:
        DocumentTreeView* tree_;
        Program& program_;
        bool edited_;
        bool done_ = false;
    } firstPaint(tree, *program, edited);
    tree->viewport()->installEventFilter(&firstPaint);
    program->show();
    const int result = application.exec();
    tree->viewport()->removeEventFilter(&firstPaint);
    program.reset();
    return result;
}

// quit/N: the program closed after editAtLength's history on the document,
// from its main window closing until the process has ended.
void quitBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    const std::string file = QFile::encodeName(path).toStdString();
    std::vector<double> quit, peak;
    for (auto _ : state) {
        const ChildRun run = runChild({selfPath, "--program-edited", file});
        if (!run.ok) {
            state.SkipWithError("the child process failed");
            return;
        }
        state.SetIterationTime(run.endSeconds);
        quit.push_back(run.endSeconds);
        peak.push_back(static_cast<double>(run.peakKiB) / 1024);
    }
    state.counters["quit_s"] = median(quit);
    state.counters["peak_at_start_MiB"] = median(peak);
}

void editBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    Document& document = program.document();
    corvantis::DOMNode* subtree = addFolderOf(program.document(), 10'000);
    program.showUntilPainted();
    corvantis::DOMNode* target = document.dom().rootElement();
    if (!subtree || !target) {
        state.SkipWithError("no subtree to edit");
        return;
    }
    state.counters["subtree_elements"] = static_cast<double>(corvantis::checks::elementCount(subtree));
    resetPeakRss();
    // Each step through the window's own commands, as the keys reach them.
    MainWindow& window = program.window();
    const auto step = [&](auto work) {
        const Clock::time_point start = Clock::now();
        work();
        program.showUntilPainted();
        return secondsSince(start);
    };
    std::map<std::string, std::vector<double>> times;
    for (auto _ : state) {
        double total = 0;
        bool changed = true;
        const auto timedStep = [&](const char* name, auto work) {
            const int before = document.history().index();
            const double seconds = step(work);
            // A step the window refused would time nothing and leave the next
            // undo to take back something else.
            changed = changed && document.history().index() != before;
            times[name].push_back(seconds);
            total += seconds;
        };
        window.selection().select(subtree);
        timedStep("delete", [&] { window.action(Command::DeleteFolder)->trigger(); });
        timedStep("undo_delete", [&] { window.action(Command::Undo)->trigger(); });
        window.selection().select(subtree);
        window.action(Command::Copy)->trigger();
        window.selection().select(target);
        timedStep("paste_copy", [&] { window.action(Command::PasteUnder)->trigger(); });
        timedStep("undo_paste_copy", [&] { window.action(Command::Undo)->trigger(); });
        window.selection().select(subtree);
        window.action(Command::Cut)->trigger();
        window.selection().select(target);
        timedStep("paste_move", [&] { window.action(Command::PasteUnder)->trigger(); });
        timedStep("undo_paste_move", [&] { window.action(Command::Undo)->trigger(); });
        if (!changed) {
            state.SkipWithError("a step changed nothing");
            break;
        }
        state.SetIterationTime(total);
    }
    for (const auto& [name, seconds] : times) state.counters[name + "_ms"] = median(seconds) * 1000;
    state.counters["peak_RSS_MiB"] = benchmark::Counter(static_cast<double>(statusKiB("VmHWM")) / 1024);
}

// ---- Autosave ----

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// One change, then the autosave of the whole document: how much of the
// window's own thread it takes (reading and writing happen on a worker),
// and how long until the recovery file is on disk.
void autosaveBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    Document& document = program.document();
    QTemporaryDir folder;
    RecoveryStore store(folder.path());
    Autosave autosave(document, store);
    autosave.setIntervals(0, 0);
    std::vector<double> interfaceMs, wallMs;
    resetPeakRss();
    int round = 0;
    for (auto _ : state) {
        // The window's thread sleeps in its event loop while the worker writes.
        QEventLoop loop;
        const auto connection = QObject::connect(&autosave, &Autosave::written, &loop, &QEventLoop::quit);
        corvantis::DOMNode* top = document.dom().rootElement();
        document.push(std::make_unique<RenameElement>(document, top, corvantis::StringObject(round++ % 2 ? "Notes" : "Notes2"), "rename"));
        const double cpu = threadCpuSeconds();
        const Clock::time_point start = Clock::now();
        loop.exec();
        const double wall = secondsSince(start);
        interfaceMs.push_back((threadCpuSeconds() - cpu) * 1000);
        wallMs.push_back(wall * 1000);
        state.SetIterationTime(wall);
        QObject::disconnect(connection);
    }
    state.counters["interface_thread_ms"] = median(interfaceMs);
    state.counters["until_on_disk_ms"] = median(wallMs);
    state.counters["peak_RSS_MiB"] = benchmark::Counter(static_cast<double>(statusKiB("VmHWM")) / 1024);
}

// ---- Find ----

// find/N: the find bar opened on the open document with "reviewed" in its
// field (in about one folder in a hundred), until its search, which runs in
// slices between events, has gone through the whole document.
void findBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    FindBar& find = *program.window().findBar();
    find.FindEdit()->setText("reviewed");
    resetPeakRss();
    double total = 0;
    int matches = 0;
    for (auto _ : state) {
        timed(state, total, [&] {
            find.open();
            while (!find.search().isFinished()) QCoreApplication::processEvents(QEventLoop::AllEvents);
            return true;
        });
        matches = find.search().count();
        find.closeBar();
        program.settle();
    }
    if (matches == 0) state.SkipWithError("nothing found");
    state.counters["matches"] = matches;
    report(state, total, bytes);
}

// ---- The source viewer ----

// Options > View Source of the open document until the viewer has painted
// its text. The viewer is emptied before each iteration; how far the
// process's peak resident size rises above what it held before is the
// memory View Source needs.
void viewSourceBenchmark(benchmark::State& state, int megabytes) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, megabytes, path, bytes)) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    MainWindow& window = program.window();
    window.action(Command::UseAsXmlEditor)->trigger();
    program.settle();
    SourceViewer* viewer = window.sourceViewer();
    double total = 0;
    double growth = 0;
    for (auto _ : state) {
        viewer->textField()->clear();
        program.settle();
        resetPeakRss();
        const long before = statusKiB("VmRSS");
        if (!timed(state, total, [&] {
                window.action(Command::ViewSource)->trigger();
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                QPixmap picture = viewer->textField()->viewport()->grab();
                benchmark::DoNotOptimize(picture);
                return !viewer->textField()->text().isEmpty();
            })) {
            state.SkipWithError("the viewer shows no text");
            break;
        }
        growth = std::max(growth, static_cast<double>(statusKiB("VmHWM") - before) / 1024);
    }
    state.counters["peak_growth_MiB"] = growth;
    state.counters["growth_per_size"] = growth / (static_cast<double>(bytes) / (1 << 20));
    report(state, total, bytes);
}

// ---- A folder with a large text ----

// About `bytes` of words for a folder's text, as the model keeps it: with
// `lineBreaks`, lines of 1 to 400 words ending in CR LF; without, one line.
// "quokka" comes about every 64 KiB, and nowhere in the notes documents.
std::string largeText(std::size_t bytes, bool lineBreaks) {
    static const char* const words[] = {"call",  "plumber", "about", "the",    "leak",   "milk",
                                        "bread", "meeting", "with",  "Anna",   "review", "budget",
                                        "spring", "project", "notes", "letter", "garden", "week"};
    std::string text;
    text.reserve(bytes + 64);
    std::uint64_t state = 7;
    const auto next = [&state](std::uint64_t range) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state >> 33) % range;
    };
    std::size_t lineWords = 1 + next(400), nextMark = 1 << 16;
    while (text.size() < bytes) {
        if (text.size() >= nextMark) {
            text += "quokka";
            nextMark += 1 << 16;
        } else {
            text += words[next(sizeof words / sizeof *words)];
        }
        if (lineBreaks && --lineWords == 0) {
            text += "\r\n";
            lineWords = 1 + next(400);
        } else {
            text += ' ';
        }
    }
    return text;
}

// Puts a folder "Large" holding `text` first under the top element.
corvantis::DOMNode* addLargeFolder(Document& document, const std::string& text) {
    const std::string xml = "<Large>" + text + "</Large>";
    corvantis::DOMError error;
    std::unique_ptr<corvantis::DOMNode> fragment = document.readFragment(xml.data(), xml.size(), error);
    corvantis::DOMNode* folder = fragment && fragment->childCount() == 1 ? fragment->childAt(0) : nullptr;
    if (!folder) return nullptr;
    document.push(std::make_unique<InsertFragment>(document, corvantis::NodePlace{document.dom().rootElement(), 0},
                                                   std::move(fragment), "large folder"));
    return folder;
}

// Processes events until `counter` has seen a paint of the widget it
// watches; false when none came within about two minutes.
bool untilPainted(const PaintCounter& counter) {
    const int before = counter.paints;
    const Clock::time_point start = Clock::now();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (counter.paints == before && secondsSince(start) < 120)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    return counter.paints != before;
}

void selectBenchmark(benchmark::State& state, bool lineBreaks) {
    QString path;
    qint64 bytes = 0;
    if (!fileFor(state, 1, path, bytes)) return;
    Windows program;
    if (!openAndShow(state, program, path)) return;
    MainWindow& window = program.window();
    Document& document = program.document();
    const std::string text = largeText(20'000'000, lineBreaks);
    corvantis::DOMNode* large = addLargeFolder(document, text);
    corvantis::DOMNode* small = document.dom().rootElement();
    if (!large) {
        state.SkipWithError("no large folder");
        return;
    }
    window.selection().select(small);
    program.settle();
    // The field the frame shows the text in, whatever its class.
    QWidget* field = program.textEditor().frame()->textEdit();
    auto* scrolled = qobject_cast<QAbstractScrollArea*>(field);
    QWidget* painted = scrolled ? scrolled->viewport() : field;
    PaintCounter paints;
    painted->installEventFilter(&paints);
    FindBar& find = *window.findBar();
    find.FindEdit()->setText("quokka");
    std::map<std::string, std::vector<double>> times;
    double growth = 0;
    const auto step = [&](const char* name, auto work) {
        const Clock::time_point start = Clock::now();
        work();
        const bool shown = untilPainted(paints);
        times[name].push_back(secondsSince(start));
        return shown;
    };
    for (auto _ : state) {
        window.selection().select(small);
        program.settle();
        resetPeakRss();
        const long before = statusKiB("VmRSS");
        bool shown = step("select", [&] { window.selection().select(large); });
        growth = std::max(growth, static_cast<double>(statusKiB("VmHWM") - before) / 1024);
        shown = shown && step("type", [&] {
                    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
                    QCoreApplication::sendEvent(field, &key);
                });
        shown = shown && step("undo", [&] { window.action(Command::Undo)->trigger(); });
        // The typing went in as a step (on the pause after it, or now) and was taken back.
        const bool undone = large->getText(0).length() == text.size() && document.history().canRedo();
        // The bar opens, and its search goes through the document, before
        // Find Next; it is closed again so that no search runs in the other steps.
        const Clock::time_point searchStart = Clock::now();
        find.open();
        while (!find.search().isFinished()) QCoreApplication::processEvents(QEventLoop::AllEvents);
        times["search"].push_back(secondsSince(searchStart));
        shown = shown && step("find_next", [&] { window.action(Command::FindNext)->trigger(); });
        find.closeBar();
        if (!shown || !undone || window.selection().currentNode() != large) {
            state.SkipWithError(!shown ? "the frame did not paint" : !undone ? "Undo did not take back the typing"
                                                                              : "the large folder is not selected");
            break;
        }
        state.SetIterationTime(times["select"].back());
    }
    painted->removeEventFilter(&paints);
    for (const auto& [name, seconds] : times) state.counters[name + "_ms"] = median(seconds) * 1000;
    state.counters["select_growth_MiB"] = growth;
    state.counters["growth_per_size"] = growth / (static_cast<double>(text.size()) / (1 << 20));
}

// Few iterations: a 100 MiB open takes seconds.
int iterationsFor(int megabytes) { return megabytes >= 100 ? 3 : megabytes >= 10 ? 3 : 10; }

}  // namespace

int main(int argc, char** argv) {
    // The windows measured here, and the program started from here, run
    // with the memory the program's entry point gives them.
    restartWithHugePages(argv);
    // Drawn offscreen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && (std::strcmp(argv[1], "--program") == 0 || std::strcmp(argv[1], "--program-edited") == 0))
        return runProgramChild(argc, argv);
    selfPath = argv[0];
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    NotesFiles files;
    notesFiles = &files;

    // The 400 MiB document is held against the 100 MiB one: start (open until
    // painted), quit, edit (delete and undo among its steps), find and save
    // should grow no faster than the document. Whether a 1 GiB document
    // opens, and in how much memory, start/1024MiB tells.
    const std::vector<int> sizes = {1, 10, 100};
    const std::vector<int> scale = {1, 10, 100, 400};
    const struct {
        const char* name;
        void (*run)(benchmark::State&, int);
        std::vector<int> sizes;
    } kinds[] = {{"start", startBenchmark, {1, 10, 100, 400, 1024}}, {"quit", quitBenchmark, scale},
                 {"open", openBenchmark, sizes}, {"save", saveBenchmark, scale},
                 {"reopen", reopenBenchmark, sizes}, {"drop", dropBenchmark, sizes},
                 {"edit", editBenchmark, scale}, {"find", findBenchmark, scale},
                 {"autosave", autosaveBenchmark, sizes}, {"versions", versionsLinkedBenchmark, sizes},
                 {"versions-copied", versionsCopiedBenchmark, sizes},
                 {"phases", phasesBenchmark, sizes}, {"viewsource", viewSourceBenchmark, sizes}};
    for (const auto& kind : kinds)
        for (const int megabytes : kind.sizes)
            benchmark::RegisterBenchmark((std::string(kind.name) + "/" + std::to_string(megabytes) + "MiB").c_str(),
                                         kind.run, megabytes)
                ->UseManualTime()
                ->Iterations(std::string(kind.name) == "edit"                 ? 5
                             : std::string(kind.name).rfind("versions", 0) == 0 ? std::max(6, iterationsFor(megabytes))
                                                                                  : iterationsFor(megabytes))
                ->Unit(benchmark::kMillisecond);
    for (const bool lineBreaks : {true, false})
        benchmark::RegisterBenchmark(lineBreaks ? "select/20MB" : "select/20MB-unbroken", selectBenchmark, lineBreaks)
            ->UseManualTime()
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    notesFiles = nullptr;
    return 0;
}
