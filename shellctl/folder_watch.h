#pragma once

#include "platform/file_io.h"

#include <QString>

#include <functional>
#include <thread>
#include <vector>

namespace vistrel {

// What changed in a watched folder, collected over one burst of changes.
enum TShChange {
    kChangeDirName = 1,
    kChangeFileName = 2,
    kChangeAttributes = 4,
    kChangeLastWrite = 8,
    kChangeSize = 16,
};
using TShChanges = int;

// An inotify instance for one folder watch after another. Closing an instance waits for the
// kernel's grace period, several milliseconds, which a list must not pay on every folder switch.
class TShWatchQueue {
public:
    TShWatchQueue();
    int fd() const { return fd_.get(); }

private:
    FileDescriptor fd_;
};

// Watches one folder (not its subfolders) through inotify on a thread of its own. After a
// change it keeps collecting until `quietMs` pass without another, then reports the burst once:
// `changed` with the collected bits while the folder exists, `gone` (and the watch ends) once it
// was deleted or moved away. Both are called on the watch thread and must only post to the GUI.
class TShFileThread {
public:
    using Changed = std::function<void(TShChanges)>;
    using Gone = std::function<void()>;

    // One watch at a time per queue: the queue must outlive the watch.
    TShFileThread(const TShWatchQueue &queue, const QString &folder, Changed changed, Gone gone, int quietMs = 200);
    ~TShFileThread(); // stops the thread, waits for it and removes the watch
    TShFileThread(const TShFileThread &) = delete;
    TShFileThread &operator=(const TShFileThread &) = delete;

    // False when the folder could not be watched (then nothing is ever reported).
    bool Watching() const { return inotify_ >= 0 && watch_ >= 0; }
    const QString &Folder() const { return folder_; }

private:
    void Run();
    // Reads what is waiting; returns false when the folder itself went away. Events of earlier
    // watches on the queue are dropped.
    bool Collect(TShChanges &changes);
    bool WaitReadable(int timeoutMs) const; // false on stop or time-out

    QString folder_;
    Changed changed_;
    Gone gone_;
    int quietMs_;
    int inotify_;
    int watch_ = -1;
    FileDescriptor stop_; // an eventfd that wakes the thread to end it
    std::thread thread_;
};

// Watches many folders for subfolders coming, going and being renamed, and for the folders
// themselves going away, through one inotify instance read on the caller's thread (for example
// from a socket notifier on fd()).
class TShFolderWatches {
public:
    struct Change {
        int watch;         // as Add returned it
        bool gone = false; // the folder itself was deleted, moved or unmounted: the watch has ended
    };

    TShFolderWatches();
    ~TShFolderWatches(); // ends every watch with the instance
    TShFolderWatches(const TShFolderWatches &) = delete;
    TShFolderWatches &operator=(const TShFolderWatches &) = delete;

    int fd() const { return fd_.get(); }
    // The watch, or -1 when the folder cannot be watched (most often: the system's watch limit).
    int Add(const std::string &folder);
    void Remove(int watch);
    // The changes waiting, without blocking. Set when events were lost: then anything may have changed.
    std::vector<Change> ReadChanges(bool &overflowed);

private:
    FileDescriptor fd_;
};

} // namespace vistrel
