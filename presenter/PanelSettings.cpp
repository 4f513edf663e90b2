#include "presenter/PanelSettings.h"

#include <vector>

#include "state/IntText.h"
#include "state/SettingsFile.h"

namespace lumiq {
namespace {

bool IsStored(const ParamRow& row) {
    return !row.settingsKey.empty();
}
bool IsStoredAsIndex(const ParamRow& row) {
    return !row.shown.empty();
}

} // namespace

void SavePanel(const PanelView& panel, const SettingsFile& file) {
    std::vector<IniValue> values;
    for (const ParamRow& row : kParamRows) {
        if (IsStored(row)) {
            values.push_back({std::string(row.settingsKey), IsStoredAsIndex(row)
                                                                ? std::to_string(panel.itemIndex(row.param))
                                                                : panel.text(row.param)});
        }
    }
    file.SaveSettings(values);
}

void RestorePanel(PanelView& panel, const SettingsFile& file) {
    for (const ParamRow& row : kParamRows) {
        if (!IsStored(row))
            continue;
        const std::string value = file.LoadSetting(std::string(row.settingsKey));
        if (IsStoredAsIndex(row))
            panel.setItemIndex(row.param, StrToIntStrict(value));
        else
            panel.setText(row.param, value);
    }
}

} // namespace lumiq
