#pragma once
// Network namespaces for tests: a test builds its own small LAN inside the
// private namespace scripts/in-netns gave it, so nothing it sends can leave
// the machine. Needs root.

#include <sys/types.h>

#include <string>
#include <vector>

namespace lumiq::testbed {

// True when this process does not share the machine's own network namespace:
// either scripts/in-netns made the current one (it exports its inode in
// LUMIQ_PRIVATE_NETNS), or it differs from the first process's.
bool InPrivateNetns();

// Runs a shell command; throws std::runtime_error with the command when it fails.
void Run(const std::string& shellCommand);

// A named network namespace ("ip netns add"), removed by the destructor
// together with every process still running inside it.
class Namespace {
public:
    // Refuses (throws) when the caller is in the machine's own namespace.
    explicit Namespace(const std::string& prefix);
    ~Namespace();
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;

    const std::string& name() const { return name_; }

    // A socket created inside the namespace; it stays there for its lifetime
    // while the caller keeps using it from here. Throws on failure.
    int openSocket(int domain, int type, int protocol = 0) const;

    // Starts a program inside the namespace (argv[0] is looked up in PATH);
    // the caller waits for or kills the returned process.
    pid_t spawn(const std::vector<std::string>& argv) const;

    // "ip -n <name> ..." shorthand.
    void ip(const std::string& args) const;

private:
    std::string name_;
};

// A veth pair: `hostIf` with `hostCidr` in the caller's namespace, `peerIf`
// with `peerCidr` inside `peer`. Both ends are brought up.
void AddVeth(const std::string& hostIf, const std::string& hostCidr, const Namespace& peer,
             const std::string& peerIf, const std::string& peerCidr);

} // namespace lumiq::testbed
