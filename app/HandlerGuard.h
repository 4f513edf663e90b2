#pragma once
// The standard error report. Every handler entered from the Qt event loop
// (clicks, menu items, timers, socket and port events) runs inside
// RunGuarded: an exception ends the handler, its text is shown in a modal box
// (caption: the application title, stop icon, OK only) and the program
// carries on with the state reached so far. No exception reaches Qt.

#include <exception>
#include <functional>

class QWidget;

namespace lumiq {

class OperatorDialogs;

// Shows the box for a caught exception; never throws.
void ReportException(std::exception_ptr error, QWidget* parent) noexcept;
void ReportException(std::exception_ptr error, OperatorDialogs& boxes) noexcept;

void RunGuarded(QWidget* parent, const std::function<void()>& handler) noexcept;
// The report goes through `boxes`: the main window passes its notice queue,
// so that a handler failing again and again while its box is open (a reply
// that keeps coming) queues its boxes instead of nesting them.
void RunGuarded(OperatorDialogs& boxes, const std::function<void()>& handler) noexcept;

} // namespace lumiq
