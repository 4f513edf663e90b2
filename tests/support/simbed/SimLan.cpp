#include "tests/support/simbed/SimLan.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "sim/ModuleList.h"

namespace lumiq::testbed {

namespace {

constexpr const char* kLanInterface = "lan0";

std::string NextHostInterface() {
    static std::atomic<int> counter{0};
    return "lqh" + std::to_string(getpid()) + "x" + std::to_string(counter++);
}

std::string HardwareAddress(const std::string& interface) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    interface.copy(request.ifr_name, IFNAMSIZ - 1);
    const bool ok = fd >= 0 && ioctl(fd, SIOCGIFHWADDR, &request) == 0;
    if (fd >= 0)
        close(fd);
    if (!ok)
        throw std::runtime_error("no hardware address for " + interface);
    const auto* b = reinterpret_cast<const unsigned char*>(request.ifr_hwaddr.sa_data);
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
    return text;
}

void DeleteLink(const std::string& interface) {
    [[maybe_unused]] const int status = std::system(
        ("ip link del " + interface + " 2>/dev/null").c_str()); // a clean-up that may find nothing
}

} // namespace

SimLan::SimLan(SimLanOptions options)
    : options_(std::move(options)), controlPath_(scratch_.file("control.sock")),
      logPath_(scratch_.file("frames.log")), hostAddress_(options_.prefix + ".0.1"),
      hostInterface_(NextHostInterface()), lan_("lumiq-simlan"), sim_(startSimulator()),
      control_(controlPath_) {}

SimLan::~SimLan() {
    sim_->stop();
    // The kernel frees a deleted namespace, and the veth end inside it, some
    // time later; deleting our end removes the pair now.
    DeleteLink(hostInterface_);
}

std::unique_ptr<SimProcess> SimLan::startSimulator() {
    AddVeth(hostInterface_, hostAddress_ + "/16", lan_, kLanInterface, options_.prefix + ".0.2/16");
    try {
        // Known before the first reply: otherwise a burst of unicast replies
        // from hundreds of modules waits on one address resolution and the
        // kernel's queue for it overflows.
        lan_.ip("neigh replace " + hostAddress_ + " lladdr " + HardwareAddress(hostInterface_) + " dev " +
                kLanInterface + " nud permanent");
        std::vector<std::string> args{"--control",       controlPath_,
                                      "--log",           logPath_,
                                      "--alias-dev",     kLanInterface,
                                      "--first-address", options_.prefix + ".1.1",
                                      "--modules",       std::to_string(options_.modules)};
        if (!options_.moduleFile.empty())
            args.insert(args.end(), {"--config", options_.moduleFile});
        args.insert(args.end(), options_.simArgs.begin(), options_.simArgs.end());
        return std::make_unique<SimProcess>(args, lan_.name());
    } catch (...) {
        DeleteLink(hostInterface_); // the destructor does not run for a half-built bed
        throw;
    }
}

std::string SimLan::hostMac() const {
    return HardwareAddress(hostInterface_);
}

std::string SimLan::moduleAddress(int index) const {
    return sim::GeneratedModule(static_cast<unsigned>(index), sim::ParseAddress(options_.prefix + ".1.1"))
        .address;
}

} // namespace lumiq::testbed
