#pragma once
// The list of found modules over ListBoxIP and the search button.

#include "presenter/ControllerPorts.h"

class QListWidget;
class QAbstractButton;

namespace lumiq {

class WidgetModuleList : public ModuleListView {
public:
    WidgetModuleList(QListWidget& list, QAbstractButton& searchButton);
    void clearLines() override;
    void appendLine(const std::string& utf8) override;
    // A line that does not exist is left alone.
    void replaceLine(int index, const std::string& utf8) override;
    void setSearchEnabled(bool enabled) override;
    // The line's tooltip; a line that does not exist is left alone.
    void setLineTip(int index, const std::string& utf8) override;

private:
    QListWidget& list_;
    QAbstractButton& searchButton_;
};

} // namespace lumiq
