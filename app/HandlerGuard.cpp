#include "app/HandlerGuard.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/ApplicationTitle.h"
#include "app/SeamDialogs.h"

namespace lumiq {
namespace {

std::string TextOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

} // namespace

void ReportException(std::exception_ptr error, OperatorDialogs& boxes) noexcept {
    std::string text;
    try {
        text = TextOf(error);
        MessageRequest request;
        request.text = text;
        request.caption = ApplicationTitle().toStdString();
        request.buttons = MessageButtons::Ok;
        request.icon = MessageIcon::Stop;
        boxes.showMessage(request);
    } catch (...) {
        // The box itself failed (out of memory, a throwing responder): the
        // text must still reach someone, and nothing may escape into Qt.
        std::fprintf(stderr, "lumiq-config: error not shown: %s\n", text.c_str());
    }
}

void ReportException(std::exception_ptr error, QWidget* parent) noexcept {
    SeamDialogs boxes(parent);
    ReportException(error, boxes);
}

void RunGuarded(QWidget* parent, const std::function<void()>& handler) noexcept {
    SeamDialogs boxes(parent);
    RunGuarded(boxes, handler);
}

void RunGuarded(OperatorDialogs& boxes, const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        ReportException(std::current_exception(), boxes);
    }
}

} // namespace lumiq
