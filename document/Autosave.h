// Autosave: a few seconds after the last change, and at least once a minute
// while changes keep coming, the whole document (text still being typed
// included) goes to this process's recovery file, never to the user's file.
// The document is written out on a worker thread and the file written and
// synced there too, so the window does not wait; a change that comes while
// the worker reads the document waits for it to finish reading. The
// recovery file goes once nothing is unsaved (after Save or Save As, or
// when the changes were discarded), and when the program ends cleanly.
#pragma once

#include <atomic>
#include <future>
#include <thread>

#include <QObject>
#include <QTimer>

#include "document/RecoveryStore.h"

class Document;

class Autosave : public QObject {
    Q_OBJECT
public:
    Autosave(Document& document, RecoveryStore& store, QObject* parent = nullptr);
    // Waits for a write under way; an unsaved document's recovery file stays.
    ~Autosave() override;

    // The pause after the last change, and the longest wait while changes
    // keep coming (a few seconds and a minute unless a test says otherwise).
    void setIntervals(int pauseMs, int longestMs);
    // Writes the unsaved work now and waits until it is on disk; false when
    // there was nothing to write or it could not be written.
    bool writeNow();
    // Waits for a write under way (Save waits before the recovery file goes).
    void wait();
    // The recovery file goes: nothing is unsaved, or the program ends with
    // the user's say. A write under way is stopped, not waited for.
    void discard();
    // This process's recovery file, for tests; empty before the first write.
    QString recoveryFile() const;

signals:
    // A write has finished; `ok` tells whether it reached the disk.
    void written(bool ok);

private:
    void changed();
    bool start();
    void finishReading();
    // Takes the worker's result once it has ended; nothing when none runs.
    void collect();

    Document& document_;
    RecoveryStore& store_;
    QTimer pause_;
    QTimer longest_;
    QString name_;
    std::thread worker_;
    // Ready once the worker has read the whole document.
    std::shared_future<void> readDone_;
    std::atomic<bool> ok_{false};
    // Set when the document is about to change: the worker stops reading it.
    std::atomic<bool> stop_{false};
    // Set when the work is no longer wanted: the worker stops writing it too.
    std::atomic<bool> abandon_{false};
    // The worker read the document whole and tried to write it.
    std::atomic<bool> tried_{false};
    // The document's generation the running write shows, and the last one
    // that reached the disk.
    quint64 writing_ = 0;
    quint64 written_ = 0;
};
