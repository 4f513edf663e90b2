#include "cli/DoneHook.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cctype>

#include "cli/TerminalText.h"
#include "cli/WorkLoop.h"
#include "state/AddressText.h"

namespace lumiq::cli {

std::vector<std::string> DoneEnvironment(const fleet::StationModule& module) {
    std::vector<std::string> environment{
        "LUMIQ_MAC=" + module.mac,
        "LUMIQ_NUMBER=" + std::to_string(module.number),
        "LUMIQ_ADAPTER=" + module.route.adapter,
        "LUMIQ_ADDRESS_BEFORE=" + IpToText(module.ipBefore),
        std::string("LUMIQ_VERIFIED=") + (module.verification == "verified" ? "yes" : "no"),
    };
    for (const Value& value : module.wanted) {
        std::string key(KeyOf(value.param));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        environment.push_back("LUMIQ_" + key + "=" + value.text);
    }
    return environment;
}

DoneHook::DoneHook(std::string command, std::ostream& messages)
    : command_(std::move(command)), messages_(messages) {}

DoneHook::~DoneHook() {
    if (running_) {
        running_->disconnect();
        running_->kill();
        running_->waitForFinished(1000);
    }
}

void DoneHook::run(const fleet::StationModule& module) {
    queue_.push_back(Job{module.mac, DoneEnvironment(module)});
    if (!running_)
        startNext();
}

void DoneHook::startNext() {
    if (queue_.empty())
        return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& item : job.environment) {
        const auto equals = item.find('=');
        environment.insert(QString::fromStdString(item.substr(0, equals)),
                           QString::fromStdString(item.substr(equals + 1)));
    }
    running_ = std::make_unique<QProcess>();
    runningMac_ = job.mac;
    running_->setProcessEnvironment(environment);
    running_->setProcessChannelMode(QProcess::ForwardedChannels);
    running_->setInputChannelMode(QProcess::ForwardedInputChannel);
    // A slot runs on the Qt loop: nothing may escape it.
    QObject::connect(running_.get(), &QProcess::finished, [this](int exitCode, QProcess::ExitStatus status) {
        try {
            ended(exitCode, status == QProcess::CrashExit);
        } catch (...) {
        }
    });
    QObject::connect(running_.get(), &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        try {
            ended(-1, true);
        } catch (...) {
        }
    });
    running_->start("/bin/sh", {"-c", QString::fromStdString(command_)});
}

void DoneHook::ended(int exitCode, bool crashed) {
    if (crashed || exitCode != 0) {
        ++failures_;
        messages_ << "lumiq: --on-done for " << TerminalText(runningMac_)
                  << (crashed ? " did not run or was killed"
                              : " ended with status " + std::to_string(exitCode))
                  << '\n';
    }
    // Kept until the end: this runs inside the process's own signal.
    spent_.push_back(std::move(running_));
    startNext();
}

void DoneHook::finish(int waitMs) {
    const fleet::Millis until = Now() + waitMs;
    while (running_) {
        const auto left = std::max<fleet::Millis>(0, until - Now());
        if (!running_->waitForFinished(static_cast<int>(left)) && running_->state() != QProcess::NotRunning) {
            messages_ << "lumiq: --on-done for " << TerminalText(runningMac_) << " still runs; "
                      << queue_.size() << " more not run\n";
            return;
        }
    }
}

} // namespace lumiq::cli
