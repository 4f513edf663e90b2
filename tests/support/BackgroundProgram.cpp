#include "tests/support/BackgroundProgram.h"

#include <signal.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace lumiq::testbed {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv, std::string outFile,
                                     std::chrono::milliseconds limit)
    : outFile_(std::move(outFile)), pidFile_(outFile_ + ".pid") {
    std::remove(outFile_.c_str());
    std::remove(pidFile_.c_str());
    // The shell writes its pid and becomes the program: that pid is the program's.
    std::string command = "echo $$ > " + Quoted(pidFile_) + "; exec";
    for (const std::string& arg : argv)
        command += " " + Quoted(arg);
    command += " > " + Quoted(outFile_);
    thread_ = std::thread([this, command, limit] {
        result_ = RunProgram({"/bin/sh", "-c", command}, limit);
    });
}

BackgroundProgram::~BackgroundProgram() {
    if (thread_.joinable()) {
        interrupt();
        thread_.join();
    }
}

bool BackgroundProgram::waitFor(const std::string& text, int times, std::chrono::milliseconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        const std::string printed = out();
        int found = 0;
        for (auto at = printed.find(text); at != std::string::npos; at = printed.find(text, at + 1))
            ++found;
        if (found >= times)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string BackgroundProgram::out() const {
    return Slurp(outFile_);
}

void BackgroundProgram::interrupt() const {
    const std::string pid = Slurp(pidFile_);
    if (!pid.empty())
        kill(std::stoi(pid), SIGINT);
}

ProgramResult BackgroundProgram::end() {
    thread_.join();
    result_.out = out();
    return result_;
}

} // namespace lumiq::testbed
