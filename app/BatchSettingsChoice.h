#pragma once
// What the batch dialog's two choices make of the operator's input: the
// values every checked module is to hold (the panel's, a CFG.ini's or a
// profile's), and where each module's own identity comes from (nothing, an
// address range and a name template, or an identity table). Every value is
// checked here or by the loaders, before anything is sent; an error names
// the value and its rule.

#include <string>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/BatchJob.h"

namespace lumiq {

class PanelView;

enum class BatchSource : unsigned char { Panel, WindowSettings, Profile };
enum class BatchIdentity : unsigned char { None, Pools, Table };

struct BatchChoice {
    BatchSource source = BatchSource::Panel;
    std::string sourcePath; // WindowSettings and Profile
    BatchIdentity identity = BatchIdentity::None;
    std::string startAddress; // Pools: the first address handed out; empty: none
    std::string nameTemplate; // Pools: "Press-{n}"; empty: none
    std::string tablePath;    // Table
};

// What 一键写入 would write from the panel, IP and MAC left out, each value
// checked. Throws fleet::InputError naming the panel's field, the value and
// its rule.
std::vector<Value> PanelValues(const PanelView& panel);

// The settings of a choice; `panel` is read for BatchSource::Panel. Throws
// fleet::InputError (a bad value, a file that cannot be read, a pool's rule).
fleet::BatchSettings MakeBatchSettings(const BatchChoice& choice, const PanelView& panel);

} // namespace lumiq
