#pragma once
// The information log over the MemoInfo widget.

#include "presenter/ControllerPorts.h"

class QPlainTextEdit;

namespace lumiq {

class MemoInfoLog : public InfoLog {
public:
    explicit MemoInfoLog(QPlainTextEdit& memo);
    // Stamped with the current local time in the user's regional formats.
    void addLogLine(const std::string& utf8) override;
    void appendPlain(const std::string& utf8) override;

private:
    QPlainTextEdit& memo_;
};

} // namespace lumiq
