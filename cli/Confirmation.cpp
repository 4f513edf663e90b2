#include "cli/Confirmation.h"

#include <iostream>

#include "base/AsciiText.h"
#include "cli/Interrupt.h"
#include "cli/Targets.h"

namespace lumiq::cli {

bool ConfirmDefault(const std::vector<std::string>& modules, const Interrupt& interrupt) {
    std::cerr << "Factory default for " << modules.size() << (modules.size() == 1 ? " module" : " modules")
              << ": every parameter, the MAC and the address included, goes back to its factory value.\n";
    for (const std::string& module : modules)
        std::cerr << "  " << module << '\n';
    std::cerr << "Restore? [y/N] " << std::flush;
    std::string answer;
    const bool read = static_cast<bool>(std::getline(std::cin, answer));
    if (!read || interrupt.pending()) {
        std::cerr << '\n';
        return false;
    }
    answer = AsciiLowered(answer);
    return answer == "y" || answer == "yes";
}

} // namespace lumiq::cli
