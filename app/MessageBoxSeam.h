#pragma once
// Every message box of the program goes through ShowMessage. Tests install a
// responder that records and answers the box; scripts set the environment
// variable LUMIQ_AUTOANSWER_MESSAGES=1, which prints caption and text to
// stderr and answers OK without showing anything.

#include <functional>

#include "presenter/MessageRequest.h"

class QWidget;

namespace lumiq {

using MessageResponder = std::function<MessageAnswer(const MessageRequest& request, QWidget* parent)>;

// Modal: a real box runs a nested event loop, so timers and sockets keep
// being served while it is open. parent may be null.
MessageAnswer ShowMessage(const MessageRequest& request, QWidget* parent);

// Routes every later box to responder (an empty one restores the real
// boxes). Returns the responder it replaces.
MessageResponder SetMessageResponder(MessageResponder responder);

} // namespace lumiq
