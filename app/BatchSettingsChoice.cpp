#include "app/BatchSettingsChoice.h"

#include "fleet/InputFile.h"
#include "fleet/PreparedSettings.h"
#include "presenter/ControllerPorts.h"

namespace lumiq {
namespace {

// A module's own address and MAC come from the identities, never from what
// all of them share.
bool IsIdentity(Param param) {
    return param == Param::Ip || param == Param::Mac;
}

// The text a one-key write would send for the field: a listed value by its
// item, the rest as typed.
std::string PanelText(const PanelView& panel, const ParamRow& row) {
    if (row.kind == ValueKind::Choice) {
        const int index = panel.itemIndex(row.param);
        if (index >= 0 && static_cast<std::size_t>(index) < row.choices.size())
            return std::string(row.choices[static_cast<std::size_t>(index)]);
    }
    return panel.text(row.param);
}

std::vector<Value> SharedValues(const fleet::Profile& profile) {
    std::vector<Value> shared;
    for (const fleet::SourcedValue& sourced : profile.values) {
        if (IsIdentity(sourced.value.param))
            throw fleet::InputError(sourced.where + ": " + std::string(KeyOf(sourced.value.param)) + "=" +
                                    sourced.value.text +
                                    " is one module's own (use an address range or an identity table)");
        shared.push_back(sourced.value);
    }
    return shared;
}

} // namespace

std::vector<Value> PanelValues(const PanelView& panel) {
    std::vector<Value> values;
    for (const ParamRow& row : kParamRows) {
        if (row.oneKeyRank < 0 || IsIdentity(row.param))
            continue;
        try {
            values.push_back(CheckValue(row.param, PanelText(panel, row)));
        } catch (const ValueError& error) {
            throw fleet::InputError(std::string("panel: ") + error.what());
        }
    }
    return values;
}

fleet::BatchSettings MakeBatchSettings(const BatchChoice& choice, const PanelView& panel) {
    fleet::BatchSettings settings;
    switch (choice.source) {
    case BatchSource::Panel:
        settings.shared = PanelValues(panel);
        break;
    case BatchSource::WindowSettings:
    case BatchSource::Profile:
        // A CFG.ini's IP and MAC are one module's: LoadProfile leaves them out.
        settings.shared = SharedValues(fleet::LoadProfile(choice.sourcePath, false));
        break;
    }
    switch (choice.identity) {
    case BatchIdentity::None:
        break;
    case BatchIdentity::Pools: {
        std::vector<std::string> assignments;
        if (!choice.startAddress.empty())
            assignments.push_back("ip=" + choice.startAddress + "+");
        if (!choice.nameTemplate.empty())
            assignments.push_back("name=" + choice.nameTemplate);
        settings.pools = fleet::IdentityPools(assignments);
        settings.pools.setMaskFrom(settings.shared);
        break;
    }
    case BatchIdentity::Table:
        settings.identities = fleet::LoadIdentityTable(choice.tablePath);
        break;
    }
    return settings;
}

} // namespace lumiq
