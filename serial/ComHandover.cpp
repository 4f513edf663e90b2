#include "serial/ComHandover.h"

#include <QMetaObject>
#include <QObject>

namespace lumiq {

std::shared_ptr<ComHandover> ComHandover::Create(QObject& mainContext) {
    return std::shared_ptr<ComHandover>(new ComHandover(mainContext));
}

bool ComHandover::RunOnMain(std::function<void()> work, Until until) {
    std::unique_lock lock(mutex_);
    if (released_)
        return false;
    pending_ = std::move(work);
    taken_ = finished_ = failed_ = false;
    changed_.notify_all();
    lock.unlock();
    // The call holds the hand-over alive; if the context object dies first,
    // Qt drops the call.
    QMetaObject::invokeMethod(
        context_, [self = shared_from_this()] { self->ServePending(); }, Qt::QueuedConnection);
    lock.lock();
    changed_.wait(lock, [&] { return (until == Until::Run ? finished_ : taken_) || released_; });
    if (!taken_) {
        pending_ = nullptr; // released before the main thread took it
        return false;
    }
    return until == Until::Taken || (finished_ && !failed_);
}

void ComHandover::ServePending() {
    std::unique_lock lock(mutex_);
    if (!pending_)
        return;
    std::function<void()> work = std::move(pending_);
    pending_ = nullptr;
    taken_ = true;
    ++running_;
    changed_.notify_all();
    lock.unlock();
    bool failed = false;
    try {
        work();
    } catch (...) {
        failed = true;
    }
    lock.lock();
    --running_;
    finished_ = true;
    failed_ = failed;
    changed_.notify_all();
}

void ComHandover::ServeUntilEnded() {
    std::unique_lock lock(mutex_);
    if (running_ > 0) {
        released_ = true;
        changed_.notify_all();
    }
    for (;;) {
        changed_.wait(lock, [&] { return pending_ != nullptr || ended_; });
        if (ended_)
            return;
        lock.unlock();
        ServePending();
        lock.lock();
    }
}

void ComHandover::MarkEnded() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

bool ComHandover::WaitUntilPending(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return pending_ != nullptr; });
}

} // namespace lumiq
