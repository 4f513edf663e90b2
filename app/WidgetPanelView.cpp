#include "app/WidgetPanelView.h"

#include <QComboBox>
#include <QLineEdit>

namespace lumiq {

WidgetPanelView::WidgetPanelView(const std::array<QWidget*, kParamCount>& widgets) : widgets_(widgets) {}

QWidget* WidgetPanelView::widget(Param field) const {
    return widgets_.at(static_cast<std::size_t>(field));
}

std::string WidgetPanelView::text(Param field) const {
    QWidget* w = widget(field);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text().toStdString();
    return {};
}

int WidgetPanelView::itemIndex(Param field) const {
    auto* combo = qobject_cast<QComboBox*>(widget(field));
    if (!combo)
        return -1;
    // Typing into an editable combo leaves its current index untouched, so
    // the index is looked up from the text that is shown.
    return combo->findText(combo->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

void WidgetPanelView::setText(Param field, const std::string& utf8) {
    const QString text = QString::fromStdString(utf8);
    QWidget* w = widget(field);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->setEditText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
}

void WidgetPanelView::setItemIndex(Param field, int index) {
    auto* combo = qobject_cast<QComboBox*>(widget(field));
    if (!combo)
        return;
    // Index -1 empties the text; Qt also rewrites text typed over the
    // current item when that item is chosen again.
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

} // namespace lumiq
