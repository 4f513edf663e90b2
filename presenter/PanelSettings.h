#pragma once
// Saving the panel to CFG.ini and restoring it ("保存配置" / "还原配置").
// The parameters that have a CFG.ini key (device/Parameter.h), in table
// order: listed values are stored as their item index in decimal ("-1" when
// no item is shown), the others as their text. DHCP mode, device name and
// firmware version are not kept.

#include "presenter/ControllerPorts.h"

namespace lumiq {

class SettingsFile;

// Writes every key in order with one replacement of the file; a failed save
// throws ("Unable to write to <path>") and leaves the old file as it was.
void SavePanel(const PanelView& panel, const SettingsFile& file);

// Reads every key in order; a missing key reads "0". A combo value that is
// not a decimal integer throws ("'x' is not a valid integer value") and
// leaves the keys before it restored and the rest untouched.
void RestorePanel(PanelView& panel, const SettingsFile& file);

} // namespace lumiq
