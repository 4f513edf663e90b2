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

inline constexpr int kPanelFieldCount = static_cast<int>(PanelField::Version) + 1;

class WidgetPanelView : public PanelView {
public:
    // One widget per PanelField, in the enum's order: a QComboBox or a
    // QLineEdit. The widgets must outlive the view.
    explicit WidgetPanelView(const std::array<QWidget*, kPanelFieldCount>& widgets);

    std::string text(PanelField field) const override;
    // -1 for a field that is not a combo.
    int itemIndex(PanelField field) const override;
    void setText(PanelField field, const std::string& utf8) override;
    // Ignored for a field that is not a combo.
    void setItemIndex(PanelField field, int index) override;

private:
    QWidget* widget(PanelField field) const;

    std::array<QWidget*, kPanelFieldCount> widgets_;
};

}  // namespace lumiq
