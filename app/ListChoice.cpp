#include "app/ListChoice.h"

#include <QEvent>
#include <QListWidget>
#include <utility>

namespace lumiq {

ListChoice::ListChoice(QListWidget& list) : QObject(&list), list_(list) {
    connect(&list, &QListWidget::itemSelectionChanged, this, &ListChoice::onSelectionChanged);
    connect(&list, &QListWidget::itemClicked, this, &ListChoice::onClicked);
    // Presses reach the list's viewport, which selects before it reports the
    // press; the filter sees each press first.
    list.viewport()->installEventFilter(this);
}

bool ListChoice::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        selectedSincePress_ = false;
    return false;
}

void ListChoice::onSelectionChanged() {
    selectedSincePress_ = true;
    // Emptying the list, or a Ctrl+click on the selected line, leaves
    // nothing selected: nothing to choose.
    if (!list_.selectedItems().isEmpty())
        emit chosen();
}

void ListChoice::onClicked() {
    if (!std::exchange(selectedSincePress_, false))
        emit chosen();
}

} // namespace lumiq
