#pragma once

#include <QObject>
#include <QThread>

#include <utility>

namespace vistrel {

// Runs the pane's file moves one after another on a thread of their own, so that copying a big
// file to another file system never stalls the window. Closing waits for the move in progress:
// a move is never cut off halfway.
class FileMoveQueue {
public:
    FileMoveQueue() : worker_(new QObject)
    {
        worker_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
        thread_.start();
    }
    ~FileMoveQueue()
    {
        thread_.quit();
        thread_.wait();
    }
    FileMoveQueue(const FileMoveQueue &) = delete;
    FileMoveQueue &operator=(const FileMoveQueue &) = delete;

    template <typename Work>
    void Post(Work work)
    {
        QMetaObject::invokeMethod(worker_, std::move(work), Qt::QueuedConnection);
    }

private:
    QThread thread_;
    QObject *worker_;
};

} // namespace vistrel
