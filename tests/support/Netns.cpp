#include "tests/support/Netns.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace lumiq::testbed {

namespace {

ino_t NetnsInode(const char* path) {
    struct stat st {};
    if (stat(path, &st) != 0)
        return 0;
    return st.st_ino;
}

std::string NamespacePath(const std::string& name) {
    return "/run/netns/" + name;
}

} // namespace

bool InPrivateNetns() {
    const ino_t own = NetnsInode("/proc/self/ns/net");
    if (own == 0)
        return false;
    // scripts/in-netns records the namespace it made; that is positive proof.
    if (const char* made = std::getenv("LUMIQ_PRIVATE_NETNS")) {
        if (std::strtoull(made, nullptr, 10) == own)
            return true;
    }
    // Otherwise compare with the first process's namespace, where the
    // machine lets us read it (some sandboxes hide it even from root).
    const ino_t machine = NetnsInode("/proc/1/ns/net");
    return machine != 0 && own != machine;
}

void Run(const std::string& shellCommand) {
    const int status = std::system(shellCommand.c_str());
    if (status != 0)
        throw std::runtime_error("command failed: " + shellCommand);
}

Namespace::Namespace(const std::string& prefix) {
    if (!InPrivateNetns())
        throw std::runtime_error("refusing to build a test network in the machine's own namespace; "
                                 "run the test through scripts/in-netns");
    static std::atomic<int> counter{0};
    name_ = prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    Run("ip netns add " + name_);
    ip("link set lo up");
}

Namespace::~Namespace() {
    // Processes left inside would keep the namespace's adapters alive. A
    // destructor cannot report: what fails here leaves only a stale name.
    [[maybe_unused]] const int killed =
        std::system(("ip netns pids " + name_ + " 2>/dev/null | xargs -r kill -9 2>/dev/null").c_str());
    [[maybe_unused]] const int deleted = std::system(("ip netns del " + name_ + " 2>/dev/null").c_str());
}

void Namespace::ip(const std::string& args) const {
    Run("ip -n " + name_ + " " + args);
}

int Namespace::openSocket(int domain, int type, int protocol) const {
    // setns() moves only the calling thread, so a short-lived thread enters
    // the namespace, creates the socket and ends; the socket stays bound to
    // that namespace.
    int fd = -1;
    int error = 0;
    const std::string path = NamespacePath(name_);
    std::thread worker([&] {
        const int nsfd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (nsfd < 0 || setns(nsfd, CLONE_NEWNET) != 0) {
            error = errno;
        } else {
            fd = socket(domain, type | SOCK_CLOEXEC, protocol);
            if (fd < 0)
                error = errno;
        }
        if (nsfd >= 0)
            close(nsfd);
    });
    worker.join();
    if (fd < 0)
        throw std::runtime_error("socket in " + name_ + ": " + std::strerror(error));
    return fd;
}

pid_t Namespace::spawn(const std::vector<std::string>& argv) const {
    // Everything the child needs is prepared before fork(): after it, only
    // async-signal-safe calls.
    const std::string path = NamespacePath(name_);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int nsfd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (nsfd < 0)
        throw std::runtime_error("cannot open " + path);
    const pid_t pid = fork();
    if (pid == 0) {
        if (setns(nsfd, CLONE_NEWNET) != 0)
            _exit(126);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(nsfd);
    if (pid < 0)
        throw std::runtime_error("fork failed");
    return pid;
}

void AddVeth(const std::string& hostIf, const std::string& hostCidr, const Namespace& peer,
             const std::string& peerIf, const std::string& peerCidr) {
    Run("ip link add " + hostIf + " type veth peer name " + peerIf + " netns " + peer.name());
    Run("ip addr add " + hostCidr + " dev " + hostIf);
    Run("ip link set " + hostIf + " up");
    peer.ip("addr add " + peerCidr + " dev " + peerIf);
    peer.ip("link set " + peerIf + " up");
}

} // namespace lumiq::testbed
