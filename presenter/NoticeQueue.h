#pragma once
// At most one message box open at a time. A box waits for the operator in a
// nested event loop, inside which replies and timer ticks go on being
// handled; each of them may ask for a box of its own. Shown at once, those
// boxes would nest inside the open one without limit (a module that keeps
// answering while nobody presses OK nests one box per reply until the stack
// runs out). Here a box asked for while one is open waits in a bounded queue
// and the caller goes on at once; the queued boxes are shown one after the
// other, in the order they were asked for, once the open one is answered.
// Boxes beyond the bound are not shown: one plain log line says how many.

#include <cstddef>
#include <deque>

#include "presenter/ControllerPorts.h"

namespace lumiq {

class NoticeQueue : public OperatorDialogs {
public:
    // One datagram can raise a warning for every entry of a full registry.
    static constexpr std::size_t kDefaultBound = 256;

    // `boxes` shows the boxes; `log` gets the line about boxes not shown.
    NoticeQueue(OperatorDialogs& boxes, InfoLog& log, std::size_t bound = kDefaultBound);

    // With no box open: shows this box and then every box queued while it
    // and those after it were open, and returns this box's answer. With a
    // box open: queues the box (or drops it when the queue is full) and
    // answers Ok at once; no caller uses the answer of such a box.
    MessageAnswer showMessage(const MessageRequest& request) override;

private:
    void reportDropped();

    OperatorDialogs& boxes_;
    InfoLog& log_;
    std::size_t bound_;
    std::deque<MessageRequest> waiting_;
    std::size_t dropped_ = 0;
    bool open_ = false;
};

} // namespace lumiq
