#pragma once
// A modal message box as the core asks for it. The window shows it through
// its one message-box seam; tests read and answer it there.

#include <string>

namespace lumiq {

enum class MessageButtons : unsigned char { Ok, OkCancel };
enum class MessageIcon : unsigned char { None, Stop, Warning, Information };
enum class MessageAnswer : unsigned char { Ok, Cancel };

struct MessageRequest {
    std::string text;    // UTF-8
    std::string caption; // UTF-8
    MessageButtons buttons = MessageButtons::OkCancel;
    MessageIcon icon = MessageIcon::None;
};

} // namespace lumiq
