#include "device/Parameter.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "base/AsciiText.h"

namespace lumiq {

std::optional<Param> ParamOfKey(std::string_view key) {
    for (const ParamRow& row : kParamRows) {
        if (SameAsciiLetters(key, row.key) ||
            (!row.settingsKey.empty() && SameAsciiLetters(key, row.settingsKey)))
            return row.param;
    }
    return std::nullopt;
}

const WireSet& SetOf(Param param) {
    if (!IsWritable(param))
        throw std::invalid_argument(std::string(KeyOf(param)) + " cannot be written");
    return RowOf(param).set;
}

std::span<const std::string_view> SettingsKeys() {
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> found;
        for (const ParamRow& row : kParamRows) {
            if (!row.settingsKey.empty())
                found.push_back(row.settingsKey);
        }
        return found;
    }();
    return keys;
}

std::span<const Param> QueriedParams() {
    static const std::vector<Param> params = [] {
        std::vector<Param> found;
        for (const ParamRow& row : kParamRows) {
            if (QueriedParam(row.param) == row.param)
                found.push_back(row.param);
        }
        return found;
    }();
    return params;
}

} // namespace lumiq
