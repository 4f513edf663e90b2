#pragma once
// Records every message box the program asks for and answers it, for as long
// as the recorder lives.

#include <vector>

#include "app/MessageBoxSeam.h"

namespace lumiq::test {

class MessageRecorder {
public:
    explicit MessageRecorder(MessageAnswer answer = MessageAnswer::Ok)
        : previous_(SetMessageResponder([this, answer](const MessageRequest& request, QWidget* parent) {
              messages.push_back(request);
              parents.push_back(parent);
              return answer;
          })) {}
    ~MessageRecorder() { SetMessageResponder(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<MessageRequest> messages;
    std::vector<QWidget*> parents;

private:
    MessageResponder previous_;
};

} // namespace lumiq::test
