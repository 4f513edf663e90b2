#include "app/WidgetModuleList.h"

#include <QAbstractButton>
#include <QListWidget>

#include "app/WindowText.h"

namespace lumiq {

WidgetModuleList::WidgetModuleList(QListWidget& list, QAbstractButton& searchButton)
    : list_(list), searchButton_(searchButton) {}

void WidgetModuleList::clearLines() {
    list_.clear();
}

void WidgetModuleList::appendLine(const std::string& utf8) {
    list_.addItem(QString::fromStdString(utf8));
}

void WidgetModuleList::replaceLine(int index, const std::string& utf8) {
    if (QListWidgetItem* line = list_.item(index))
        line->setText(QString::fromStdString(utf8));
}

void WidgetModuleList::setLineTip(int index, const std::string& utf8) {
    if (QListWidgetItem* line = list_.item(index))
        line->setToolTip(WindowText(utf8));
}

void WidgetModuleList::setSearchEnabled(bool enabled) {
    searchButton_.setEnabled(enabled);
    list_.setEnabled(enabled);
}

} // namespace lumiq
