#include "presenter/PanelSettings.h"

#include <vector>

#include "state/IntText.h"
#include "state/SettingsFile.h"

namespace lumiq {
namespace {

struct StoredControl {
    PanelField field;
    bool isCombo;  // stored as item index, else as text
};

// The panel control behind each settings key, in the order of SettingKeys:
// Model, GateWay, Mask, IP, DIP, Port, DPort, BaudRate, DataBit, StopBit,
// Parity, MAC.
constexpr std::array<StoredControl, kSettingKeyCount> kStoredControls{{
    {PanelField::Model, true},
    {PanelField::Gateway, false},
    {PanelField::Mask, false},
    {PanelField::Ip, false},
    {PanelField::Dip, false},
    {PanelField::Port, false},
    {PanelField::DPort, false},
    {PanelField::Baud, true},
    {PanelField::DataBit, true},
    {PanelField::StopBit, true},
    {PanelField::Parity, true},
    {PanelField::Mac, false},
}};

}  // namespace

void SavePanel(const PanelView& panel, const SettingsFile& file, const SettingKeyNames& keys) {
    std::vector<IniValue> values;
    values.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const StoredControl& control = kStoredControls[i];
        values.push_back({keys[i], control.isCombo ? std::to_string(panel.itemIndex(control.field))
                                                   : panel.text(control.field)});
    }
    file.SaveSettings(values);
}

void RestorePanel(PanelView& panel, const SettingsFile& file, const SettingKeyNames& keys) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const StoredControl& control = kStoredControls[i];
        const std::string value = file.LoadSetting(keys[i]);
        if (control.isCombo)
            panel.setItemIndex(control.field, StrToIntStrict(value));
        else
            panel.setText(control.field, value);
    }
}

}  // namespace lumiq
