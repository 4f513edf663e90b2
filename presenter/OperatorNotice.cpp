#include "presenter/OperatorNotice.h"

namespace lumiq {
namespace {

constexpr const char* kCaption = "提示";

} // namespace

void ShowNotice(OperatorDialogs& dialogs, const std::string& utf8Text) {
    dialogs.showMessage({utf8Text, kCaption, MessageButtons::OkCancel, MessageIcon::None});
}

void ShowStop(OperatorDialogs& dialogs, const std::string& utf8Text) {
    dialogs.showMessage({utf8Text, kCaption, MessageButtons::Ok, MessageIcon::Stop});
}

} // namespace lumiq
