#pragma once
// The parameter panel over its widgets.
//
// Combos are editable, so the item index is derived from the text: the
// first item whose text equals the shown text exactly, else -1. Setting an
// index outside the items selects nothing and empties the text.

#include <array>

#include "presenter/ControllerPorts.h"

class QWidget;

namespace lumiq {

class WidgetPanelView : public PanelView {
public:
    // One widget per Param, in the enum's order: a QComboBox or a
    // QLineEdit. The widgets must outlive the view.
    explicit WidgetPanelView(const std::array<QWidget*, kParamCount>& widgets);

    std::string text(Param field) const override;
    // -1 for a field that is not a combo.
    int itemIndex(Param field) const override;
    void setText(Param field, const std::string& utf8) override;
    // Ignored for a field that is not a combo.
    void setItemIndex(Param field, int index) override;

private:
    QWidget* widget(Param field) const;

    std::array<QWidget*, kParamCount> widgets_;
};

} // namespace lumiq
