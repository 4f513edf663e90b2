#pragma once
// The texts of the batch dialog's table, in Chinese (WindowText translates
// them): a parameter's column header, as the window's panel labels it, and
// a row's status, its state or end followed by the detail.

#include <string>

#include "device/Parameter.h"
#include "fleet/BatchJob.h"

namespace lumiq {

std::string BatchColumnHeader(Param param);

// "已读取", "读取中 3", "被拒绝：set ip refused: ERROR", ...
std::string BatchStatusText(const fleet::BatchRow& row);

// A parameter's cell: the value read, or "old → new" where a preview or a
// write changes it.
std::string BatchCellText(const fleet::BatchRow& row, Param param);
bool BatchCellChanges(const fleet::BatchRow& row, Param param);

} // namespace lumiq
