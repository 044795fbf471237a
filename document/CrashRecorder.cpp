#include "document/CrashRecorder.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>

#if defined(__SANITIZE_ADDRESS__)
#define CORVANTIS_SANITIZER_SIGNALS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANTIS_SANITIZER_SIGNALS 1
#endif
#endif

namespace {

constexpr int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t PathRoom = 4096;
const char NewReports[] = "new";

// Prepared by install(), only read once a crash is being recorded.
char reportFolder[PathRoom];  // ".../crashes/new"; empty: no reports
char versionText[64];
long utcOffsetSeconds = 0;  // of local time when the program started
QtMessageHandler passOn = nullptr;
std::atomic<bool> recording{false};

// Text put together without allocating, for the signal handler.
class Text {
public:
    Text& operator<<(const char* text) {
        while (*text && length_ < sizeof bytes_ - 1) bytes_[length_++] = *text++;
        bytes_[length_] = '\0';
        return *this;
    }
    Text& number(unsigned long long value, unsigned base = 10, int digits = 1) {
        char reversed[24];
        int count = 0;
        do {
            reversed[count++] = "0123456789abcdef"[value % base];
            value /= base;
        } while (value > 0 && count < static_cast<int>(sizeof reversed));
        while (count < digits && count < static_cast<int>(sizeof reversed)) reversed[count++] = '0';
        char forward[sizeof reversed + 1];
        for (int i = 0; i < count; ++i) forward[i] = reversed[count - 1 - i];
        forward[count] = '\0';
        return *this << forward;
    }
    const char* data() const { return bytes_; }
    std::size_t size() const { return length_; }

private:
    char bytes_[PathRoom + 1024] = {};
    std::size_t length_ = 0;
};

void writeAll(int fd, const Text& text) {
    const char* bytes = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
}

// Makes every folder of `path` that is missing.
void makeFolders(const char* path) {
    char partial[PathRoom];
    std::size_t length = 0;
    for (const char* c = path; *c && length < sizeof partial - 1; ++c) {
        if (*c == '/' && length > 0) {
            partial[length] = '\0';
            ::mkdir(partial, 0700);
        }
        partial[length++] = *c;
    }
    partial[length] = '\0';
    ::mkdir(partial, 0700);
}

// Local time as the program found it at start-up; a change of summer time
// since then is not followed, which a handler could not do safely.
struct Stamp {
    long long year;
    unsigned month, day, hour, minute, second;
};

Stamp stampOf(std::time_t utc) {
    const long long local = static_cast<long long>(utc) + utcOffsetSeconds;
    long long days = local / 86400;
    long long seconds = local % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    Stamp stamp;
    stamp.day = static_cast<unsigned>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    stamp.month = static_cast<unsigned>(shifted < 10 ? shifted + 3 : shifted - 9);
    stamp.year = yearOfEra + era * 400 + (stamp.month <= 2 ? 1 : 0);
    stamp.hour = static_cast<unsigned>(seconds / 3600);
    stamp.minute = static_cast<unsigned>(seconds / 60 % 60);
    stamp.second = static_cast<unsigned>(seconds % 60);
    return stamp;
}

// "2026-12-08 18:40:05", with the separators given.
void addStamp(Text& text, const Stamp& stamp, const char* inDate, const char* between, const char* inTime) {
    text.number(static_cast<unsigned long long>(stamp.year), 10, 4) << inDate;
    text.number(stamp.month, 10, 2) << inDate;
    text.number(stamp.day, 10, 2) << between;
    text.number(stamp.hour, 10, 2) << inTime;
    text.number(stamp.minute, 10, 2) << inTime;
    text.number(stamp.second, 10, 2);
}

void defaultActionForCrashSignals() {
#ifndef CORVANTIS_SANITIZER_SIGNALS
    for (int signal : CrashSignals) ::signal(signal, SIG_DFL);
#endif
}

// Writes the report of what ends the program: `cause` and `detail` make its
// first line. Only async-signal-safe calls from here on. The crash signals
// take their default action from now on, so a fault while writing ends the
// program at once instead of coming back here.
void record(const char* cause, const char* detail) {
    defaultActionForCrashSignals();
    // Another thread is recording already; it ends the program when done.
    if (recording.exchange(true)) {
        for (;;) ::pause();
    }
    if (reportFolder[0] == '\0') return;
    makeFolders(reportFolder);

    const Stamp stamp = stampOf(::time(nullptr));
    Text path;
    path << reportFolder << "/crash-";
    addStamp(path, stamp, "", "-", "");
    path << "-";
    path.number(static_cast<unsigned long long>(::getpid())) << ".txt";
    const int fd = ::open(path.data(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);

    Text report;
    report << "Corvantis " << versionText << " stopped unexpectedly.\n";
    report << "Cause: " << cause << detail << "\n";
    report << "Time: ";
    addStamp(report, stamp, "-", " ", ":");
    const unsigned long long offset =
        static_cast<unsigned long long>(utcOffsetSeconds < 0 ? -utcOffsetSeconds : utcOffsetSeconds);
    report << (utcOffsetSeconds < 0 ? " -" : " +");
    report.number(offset / 3600, 10, 2).number(offset / 60 % 60, 10, 2) << "\n";
    report << "Process: ";
    report.number(static_cast<unsigned long long>(::getpid())) << "\nBacktrace:\n";
    if (fd >= 0) {
        writeAll(fd, report);
        void* frames[64];
        const int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::fsync(fd);
        ::close(fd);
    }

    Text said;
    said << "Corvantis stopped unexpectedly: " << cause << detail << "\n";
    if (fd >= 0) said << "A report is in " << path.data() << "\n";
    writeAll(STDERR_FILENO, said);
}

#ifndef CORVANTIS_SANITIZER_SIGNALS
const char* signalName(int signal) {
    switch (signal) {
        case SIGSEGV:
            return "SIGSEGV (invalid memory access)";
        case SIGBUS:
            return "SIGBUS (bus error)";
        case SIGFPE:
            return "SIGFPE (arithmetic error)";
        case SIGILL:
            return "SIGILL (illegal instruction)";
        case SIGABRT:
            return "SIGABRT (abort)";
        default:
            return "unknown";
    }
}

void onCrashSignal(int signal, siginfo_t* info, void*) {
    Text detail;
    if (info && info->si_code <= 0) {
        // Sent, not caused by an instruction: abort() sends it to itself.
        if (info->si_pid == ::getpid()) {
            detail << ", raised by the program itself";
        } else {
            detail << ", sent by process ";
            detail.number(static_cast<unsigned long long>(info->si_pid));
        }
    } else if (info && signal != SIGABRT) {
        detail << " at address 0x";
        detail.number(reinterpret_cast<unsigned long long>(info->si_addr), 16);
    }
    record(signalName(signal), detail.data());
    // Handled already: the default action ends the program, with a core dump
    // where the system keeps them.
    ::raise(signal);
}
#endif

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        Text detail;
        detail << ": " << message.toLocal8Bit().constData();
        record("a fatal message from Qt", detail.data());
    }
    if (passOn) passOn(type, context, message);
}

[[noreturn]] void onTerminate() {
    Text detail;
    // Kept while its text is used.
    const std::exception_ptr error = std::current_exception();
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& exception) {
            detail << ": " << exception.what();
        } catch (...) {
            detail << ": not a standard exception";
        }
    }
    record(error ? "an exception nothing caught" : "std::terminate", detail.data());
    std::abort();
}

}  // namespace

bool CrashRecorder::recordsSignals() {
#ifdef CORVANTIS_SANITIZER_SIGNALS
    return false;
#else
    return true;
#endif
}

void CrashRecorder::install(const QString& folder, const char* version) {
    const QByteArray reports = QFile::encodeName(QDir::cleanPath(folder) + "/" + NewReports);
    if (static_cast<std::size_t>(reports.size()) < sizeof reportFolder - 64)
        std::memcpy(reportFolder, reports.constData(), static_cast<std::size_t>(reports.size()) + 1);
    std::strncpy(versionText, version, sizeof versionText - 1);
    const std::time_t now = std::time(nullptr);
    struct tm local;
    if (::localtime_r(&now, &local)) utcOffsetSeconds = local.tm_gmtoff;

    static bool installed = false;
    if (installed) return;
    installed = true;
    passOn = qInstallMessageHandler(onQtMessage);
    std::set_terminate(onTerminate);
    // The first backtrace loads the unwinder; a handler must not load anything.
    void* frame;
    ::backtrace(&frame, 1);
#ifndef CORVANTIS_SANITIZER_SIGNALS
    // A stack of its own, so an overflow of the main thread's stack is
    // recorded too.
    const std::size_t stackSize =
        std::max<std::size_t>(256 * 1024, static_cast<std::size_t>(::sysconf(_SC_MINSIGSTKSZ)) * 4);
    stack_t stack{};
    stack.ss_sp = std::malloc(stackSize);
    stack.ss_size = stackSize;
    if (stack.ss_sp) ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = onCrashSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : CrashSignals) ::sigaction(signal, &action, nullptr);
#endif
}

QString CrashRecorder::folderBeside(const QString& recoveryFolder) {
    return QFileInfo(QDir::cleanPath(recoveryFolder)).path() + "/crashes";
}

QStringList CrashRecorder::takeNewReports(const QString& folder) {
    const QDir fresh(folder + "/" + NewReports);
    QStringList taken;
    // The names begin with the time, so they sort oldest first.
    for (const QString& name : fresh.entryList({"crash-*.txt"}, QDir::Files, QDir::Name)) {
        const QString kept = QDir(folder).filePath(name);
        // A start running at the same time takes it or leaves it whole.
        if (::rename(QFile::encodeName(fresh.filePath(name)).constData(),
                     QFile::encodeName(kept).constData()) == 0)
            taken.append(kept);
    }
    return taken;
}
