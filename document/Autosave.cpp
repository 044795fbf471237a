#include "document/Autosave.h"

#include <memory>

#include "document/Document.h"

Autosave::Autosave(Document& document, RecoveryStore& store, QObject* parent)
    : QObject(parent), document_(document), store_(store) {
    pause_.setSingleShot(true);
    longest_.setSingleShot(true);
    setIntervals(3000, 60000);
    connect(&pause_, &QTimer::timeout, this, [this] { start(); });
    connect(&longest_, &QTimer::timeout, this, [this] { start(); });
    connect(&document_, &Document::aboutToChange, this, &Autosave::finishReading);
    connect(&document_, &Document::modifiedChanged, this, [this](bool modified) {
        if (modified)
            changed();
        else
            discard();
    });
    connect(&document_, &Document::changesDropped, this, &Autosave::discard);
    // Every step after the first leaves the document modified: it is counted here.
    connect(&document_.history(), &QUndoStack::indexChanged, this, [this] {
        if (document_.hasUnsavedChanges()) changed();
    });
}

Autosave::~Autosave() { wait(); }

void Autosave::setIntervals(int pauseMs, int longestMs) {
    pause_.setInterval(pauseMs);
    longest_.setInterval(longestMs);
}

QString Autosave::recoveryFile() const { return name_.isEmpty() ? QString() : store_.dataPath(name_); }

void Autosave::changed() {
    pause_.start();
    if (!longest_.isActive()) longest_.start();
}

bool Autosave::start() {
    pause_.stop();
    longest_.stop();
    if (worker_.joinable() || !document_.hasUnsavedChanges()) return false;
    // Text still being typed goes in first; should it not, the rest is kept.
    document_.commitPendingEdits();
    if (name_.isEmpty()) name_ = store_.claim();
    if (name_.isEmpty()) return false;
    RecoveryEntry note;
    note.original = document_.isNew() ? QString() : document_.fileName();
    note.originalWhenOpened = document_.fileIdentity();
    note.savedAt = QDateTime::currentDateTime();
    note.encoding = document_.fileEncoding();
    note.originalContent = document_.fileContent();
    writing_ = document_.generation();
    auto read = std::make_shared<std::promise<void>>();
    readDone_ = read->get_future().share();
    const corvantis::DOM* dom = &document_.dom();
    const QString name = name_;
    stop_ = false;
    abandon_ = false;
    tried_ = false;
    worker_ = std::thread([this, dom, name, note, read] {
        bool ok = false;
        bool readWhole = false;
        try {
            corvantis::StringObject bytes;
            readWhole = dom->serialize(bytes, stop_);
            read->set_value();
            if (readWhole) {
                tried_ = true;
                // Kept as the file's text, as recovery files always were.
                std::string storage;
                ok = store_.write(name, note.encoding->toFileText(bytes.view(), storage), note, &abandon_);
            }
        } catch (...) {
            if (!readWhole) read->set_value();
        }
        ok_ = ok;
        QMetaObject::invokeMethod(this, &Autosave::collect, Qt::QueuedConnection);
    });
    return true;
}

void Autosave::finishReading() {
    // The document may change only once the worker has let go of it; a
    // change does not wait for a whole read: the worker stops and tries
    // again later.
    if (!readDone_.valid()) return;
    stop_ = true;
    readDone_.wait();
}

void Autosave::collect() {
    if (!worker_.joinable()) return;
    worker_.join();
    if (ok_) written_ = writing_;
    if (tried_) emit written(ok_);
    // Changes that came meanwhile go in their turn.
    if (document_.hasUnsavedChanges() && document_.generation() != written_) changed();
}

void Autosave::wait() { collect(); }

bool Autosave::writeNow() {
    if (!start()) return false;
    collect();
    return tried_ && ok_;
}

void Autosave::discard() {
    // A write under way is of work no longer wanted: it stops rather than
    // keeps the user waiting (a whole large document, synced, at quitting).
    stop_ = true;
    abandon_ = true;
    wait();
    pause_.stop();
    longest_.stop();
    if (!name_.isEmpty()) store_.clear(name_);
}
