#pragma once
// A pseudo-terminal for tests: the port under test opens the slave by its
// path; the test plays the other end on the master.

#include <chrono>
#include <string>

namespace lumiq::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    // A descriptor of the slave kept by the test, to look at its settings.
    int SlaveFd() const { return slaveFd_; }
    int MasterFd() const { return masterFd_; }

    void Send(const std::string& bytes);
    // Reads until count bytes came or the deadline passed.
    std::string Receive(std::size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(10));
    // The other end goes away: the slave is hung up.
    void CloseMaster();

private:
    int masterFd_ = -1;
    int slaveFd_ = -1;
    std::string slavePath_;
};

} // namespace lumiq::test
