#include "shellctl/folder_watch.h"

#include <QFile>

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY
                                    | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

TShChanges ChangesOf(const inotify_event &event)
{
    const bool folder = event.mask & IN_ISDIR;
    TShChanges changes = 0;
    if (event.mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
        changes |= folder ? kChangeDirName : kChangeFileName;
    if (event.mask & IN_ATTRIB)
        changes |= kChangeAttributes;
    if (event.mask & (IN_MODIFY | IN_CLOSE_WRITE))
        changes |= kChangeLastWrite | kChangeSize;
    if (event.mask & IN_Q_OVERFLOW) // events were lost: only a full re-read is safe
        changes |= kChangeDirName | kChangeFileName | kChangeSize;
    return changes;
}

bool IsFolder(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

TShWatchQueue::TShWatchQueue() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

TShFileThread::TShFileThread(const TShWatchQueue &queue, const QString &folder, Changed changed, Gone gone,
                             int quietMs)
    : folder_(folder), changed_(std::move(changed)), gone_(std::move(gone)), quietMs_(quietMs), inotify_(queue.fd()),
      stop_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (inotify_ < 0 || !stop_.valid())
        return;
    watch_ = ::inotify_add_watch(inotify_, QFile::encodeName(folder).constData(), kWatchedEvents);
    if (watch_ >= 0)
        thread_ = std::thread([this] { Run(); });
}

TShFileThread::~TShFileThread()
{
    if (thread_.joinable()) {
        const uint64_t one = 1;
        while (::write(stop_.get(), &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    if (watch_ >= 0)
        ::inotify_rm_watch(inotify_, watch_);
}

bool TShFileThread::WaitReadable(int timeoutMs) const
{
    pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & POLLIN);
    }
}

bool TShFileThread::Collect(TShChanges &changes)
{
    alignas(inotify_event) char buffer[16 * 1024];
    bool present = true;
    for (;;) {
        const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
        if (got <= 0)
            return present;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            // An overflow belongs to every watch (its descriptor is -1).
            if (event->wd != watch_ && !(event->mask & IN_Q_OVERFLOW))
                continue;
            changes |= ChangesOf(*event);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT))
                present = false;
        }
    }
}

void TShFileThread::Run()
{
    for (;;) {
        if (!WaitReadable(-1))
            return;
        TShChanges changes = 0;
        bool present = Collect(changes);
        // One report per burst: wait for a quiet spell before telling the list.
        while (present && WaitReadable(quietMs_))
            present = Collect(changes);
        if (!present || !IsFolder(folder_)) {
            gone_();
            return;
        }
        if (changes != 0)
            changed_(changes);
        // A stop that arrived during the quiet spell ends the thread at the next wait.
    }
}

namespace {

constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

TShFolderWatches::TShFolderWatches() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

TShFolderWatches::~TShFolderWatches() = default;

int TShFolderWatches::Add(const std::string &folder)
{
    return fd_.valid() ? ::inotify_add_watch(fd_.get(), folder.c_str(), kFolderEvents) : -1;
}

void TShFolderWatches::Remove(int watch)
{
    if (fd_.valid() && watch >= 0)
        ::inotify_rm_watch(fd_.get(), watch);
}

std::vector<TShFolderWatches::Change> TShFolderWatches::ReadChanges(bool &overflowed)
{
    std::vector<Change> changes;
    alignas(inotify_event) char buffer[16 * 1024];
    // A storm of changes is taken in bounded helpings; the rest stays readable for the next call.
    constexpr int kReadsPerCall = 64;
    for (int reads = 0; reads < kReadsPerCall && fd_.valid(); ++reads) {
        const ssize_t got = ::read(fd_.get(), buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                overflowed = true;
                continue;
            }
            const bool gone = event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT);
            // Files come and go in picture folders all the time; the tree only shows folders.
            if (gone || (event->mask & IN_ISDIR))
                changes.push_back({event->wd, gone});
        }
    }
    return changes;
}

} // namespace vistrel
