#include "cli/WorkLoop.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "cli/Interrupt.h"
#include "cli/ProgressLine.h"

namespace lumiq::cli {
namespace {

constexpr int kProgressEveryMs = 200;

} // namespace

fleet::Millis Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool WorkLoop::run(Work& work) {
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QTimer tick;
    tick.setInterval(kProgressEveryMs);
    QSocketNotifier interrupt(interrupt_.fd(), QSocketNotifier::Read);
    ProgressLine progress(Now());

    work_ = &work;
    loop_ = &loop;
    wake_ = &wake;
    progress_ = &progress;
    interrupted_ = interrupt_.pending();
    stopping_ = false;
    failure_ = nullptr;

    QObject::connect(&wake, &QTimer::timeout, [this] { guarded([this] { work_->advance(Now()); }); });
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { guarded([&] { progress.show(work_->progress(), Now()); }); });
    QObject::connect(&interrupt, &QSocketNotifier::activated, [this] { onInterrupt(); });

    if (!interrupted_)
        guarded([this] { work_->start(Now()); });
    if (!interrupted_ && !failure_ && !work.finished()) {
        tick.start();
        loop.exec();
    }
    progress.clear();
    if (interrupted_)
        work.cancel(Now());
    work_ = nullptr;
    loop_ = nullptr;
    wake_ = nullptr;
    progress_ = nullptr;
    if (failure_)
        std::rethrow_exception(failure_);
    return !interrupted_ && !stopping_;
}

void WorkLoop::onInterrupt() {
    interrupt_.drain();
    if (stopping_ || interrupt_.count() > 1) {
        interrupted_ = true;
        loop_->quit();
        return;
    }
    stopping_ = true;
    progress_->clear();
    std::cerr
        << "lumiq: stopping: waiting for the answers to what was sent (interrupt again to end at once)\n";
    guarded([this] { work_->stop(Now()); });
}

void WorkLoop::deliver(const std::function<void(fleet::Millis)>& feed) {
    if (work_ == nullptr || interrupted_)
        return;
    guarded([&] { feed(Now()); });
}

void WorkLoop::guarded(const std::function<void()>& step) {
    if (failure_ || interrupted_)
        return;
    try {
        step();
        reschedule();
    } catch (...) {
        failure_ = std::current_exception();
        if (loop_ != nullptr)
            loop_->quit();
    }
}

void WorkLoop::reschedule() {
    if (work_->finished()) {
        wake_->stop();
        loop_->quit();
        return;
    }
    const std::optional<fleet::Millis> next = work_->nextWake();
    if (!next)
        return; // only a datagram moves it on
    const fleet::Millis delay = std::max<fleet::Millis>(0, *next - Now());
    wake_->start(static_cast<int>(std::min<fleet::Millis>(delay, 24L * 3600 * 1000)));
}

} // namespace lumiq::cli
