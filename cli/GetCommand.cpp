// lumiq get: single parameters of each module, named by key.

#include <algorithm>

#include "cli/ModuleSubcommand.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

class GetCommand final : public ModuleSubcommand {
public:
    GetCommand() : ModuleSubcommand("get", "read single parameters", "TARGETS KEY...") {}

    std::vector<Param> columns(const Request& request) const override {
        std::vector<Param> columns;
        for (const Param param : kAllParams) {
            if (param != Param::Mac &&
                std::find(request.keys.begin(), request.keys.end(), param) != request.keys.end())
                columns.push_back(param);
        }
        return columns;
    }
    std::unique_ptr<fleet::Plan> planFor(const Request& request, const fleet::FoundModule*) const override {
        return fleet::QueryPlan(request.keys);
    }

protected:
    bool takeItem(const std::string& item, Request& request) const override {
        const auto param = ParamOfKey(item);
        if (!param)
            return false;
        if (std::find(request.keys.begin(), request.keys.end(), *param) == request.keys.end())
            request.keys.push_back(*param);
        return true;
    }
    std::string otherItems() const override { return " and no key (" + KeyList() + ")"; }
    void checkAsked(const Request& request) const override {
        if (request.keys.empty())
            throw UsageError("get needs one key or more: " + KeyList());
    }
};

} // namespace

std::unique_ptr<Subcommand> MakeGetCommand() {
    return std::make_unique<GetCommand>();
}

} // namespace lumiq::cli
