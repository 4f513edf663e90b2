#include "presenter/NoticeQueue.h"

#include <string>
#include <utility>

namespace lumiq {

NoticeQueue::NoticeQueue(OperatorDialogs& boxes, InfoLog& log, std::size_t bound)
    : boxes_(boxes), log_(log), bound_(bound) {}

MessageAnswer NoticeQueue::showMessage(const MessageRequest& request) {
    if (open_) {
        if (waiting_.size() < bound_) {
            waiting_.push_back(request);
        } else {
            ++dropped_;
        }
        return MessageAnswer::Ok;
    }
    open_ = true;
    // A box that throws ends the handler that asked for it; what was queued
    // behind it goes with it, and the next box opens normally.
    struct Closing {
        NoticeQueue& queue;
        ~Closing() {
            queue.open_ = false;
            queue.waiting_.clear();
            queue.dropped_ = 0;
        }
    } closing{*this};

    const MessageAnswer answer = boxes_.showMessage(request);
    while (!waiting_.empty()) {
        MessageRequest next = std::move(waiting_.front());
        waiting_.pop_front();
        boxes_.showMessage(next);
    }
    reportDropped();
    return answer;
}

void NoticeQueue::reportDropped() {
    if (dropped_ == 0)
        return;
    log_.appendPlain("提示过多，另有" + std::to_string(std::exchange(dropped_, 0)) + "条提示未显示");
}

} // namespace lumiq
