#pragma once
// Saving the panel to CFG.ini and restoring it ("保存配置" / "还原配置").
// Twelve keys, in the order of ToolState::SettingKeys: combos are stored as
// their item index in decimal ("-1" when no item is shown), edits as their
// text. DHCP mode, device name and firmware version are not kept.

#include <array>
#include <string>

#include "presenter/ControllerPorts.h"
#include "state/ToolState.h"

namespace lumiq {

class SettingsFile;

using SettingKeyNames = std::array<std::string, kSettingKeyCount>;

// Writes every key in order with one replacement of the file; a failed save
// throws ("Unable to write to <path>") and leaves the old file as it was.
void SavePanel(const PanelView& panel, const SettingsFile& file, const SettingKeyNames& keys);

// Reads every key in order; a missing key reads "0". A combo value that is
// not a decimal integer throws ("'x' is not a valid integer value") and
// leaves the keys before it restored and the rest untouched.
void RestorePanel(PanelView& panel, const SettingsFile& file, const SettingKeyNames& keys);

}  // namespace lumiq
