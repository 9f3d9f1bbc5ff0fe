#pragma once

#include <QString>

#include <functional>
#include <thread>

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

// Watches one folder (not its subfolders) through inotify on a thread of its own. After a
// change it keeps collecting until `quietMs` pass without another, then reports the burst once:
// `changed` with the collected bits while the folder exists, `gone` (and the watch ends) once it
// was deleted or moved away. Both are called on the watch thread and must only post to the GUI.
class TShFileThread {
public:
    using Changed = std::function<void(TShChanges)>;
    using Gone = std::function<void()>;

    TShFileThread(const QString &folder, Changed changed, Gone gone, int quietMs = 200);
    ~TShFileThread(); // stops the thread and waits for it
    TShFileThread(const TShFileThread &) = delete;
    TShFileThread &operator=(const TShFileThread &) = delete;

    // False when the folder could not be watched (then nothing is ever reported).
    bool Watching() const { return inotify_ >= 0 && watch_ >= 0; }
    const QString &Folder() const { return folder_; }

private:
    void Run();
    // Reads what is waiting; returns false when the folder itself went away.
    bool Collect(TShChanges &changes);
    bool WaitReadable(int timeoutMs) const; // false on stop or time-out

    QString folder_;
    Changed changed_;
    Gone gone_;
    int quietMs_;
    int inotify_ = -1;
    int watch_ = -1;
    int stop_ = -1; // an eventfd that wakes the thread to end it
    std::thread thread_;
};

} // namespace vistrel
