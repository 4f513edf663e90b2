#include "doctor/ProgramVersions.h"

#include <sys/utsname.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QtGlobal>

#include <fstream>

#include "doctor/ProgramOutput.h"

namespace lumiq::doctor {
namespace {

// Beside lumiq when installed; in the build tree the window and the
// simulator have folders of their own next to cli/.
std::string Locate(const std::string& name, const char* buildFolder) {
    const QString own = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {own + "/" + QString::fromStdString(name),
                                     own + "/../" + buildFolder + "/" + QString::fromStdString(name)}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable())
            return file.canonicalFilePath().toStdString();
    }
    return FindProgram(name);
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// "package lumiq-config 1.14.0-1", or when and where it was built.
std::string Origin(const std::string& path) {
    const ProgramOutput owner = RunProgramForOutput("dpkg-query", {"-S", path});
    if (owner.exitStatus == 0) {
        const std::string package = owner.out.substr(0, owner.out.find(':'));
        const ProgramOutput version = RunProgramForOutput("dpkg-query", {"-W", "-f=${Version}", package});
        if (version.exitStatus == 0)
            return "package " + package + " " + Trimmed(version.out);
    }
    const QDateTime built = QFileInfo(QString::fromStdString(path)).lastModified();
    return "not from a package, built " + built.toString(Qt::ISODate).toStdString();
}

std::string Program(const std::string& name, const char* buildFolder) {
    const std::string path = Locate(name, buildFolder);
    return name + ": " + (path.empty() ? std::string("not found") : path + ", " + Origin(path)) + "\n";
}

std::string SystemRelease() {
    std::ifstream file("/etc/os-release");
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("PRETTY_NAME=", 0) != 0)
            continue;
        std::string value = line.substr(12);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return "unknown";
}

} // namespace

std::string ProgramVersions() {
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::string text = "lumiq: " LUMIQ_VERSION ", " + self + ", " + Origin(self) + "\n";
    text += Program("lumiq-config", "app");
    text += Program("lumiq-sim", "sim");
    utsname system{};
    if (uname(&system) == 0)
        text += std::string("kernel: ") + system.sysname + " " + system.release + " " + system.version + " " +
                system.machine + "\n";
    text += std::string("Qt: ") + qVersion() + " (built with " QT_VERSION_STR ")\n";
    text += "system: " + SystemRelease() + "\n";
    return text;
}

} // namespace lumiq::doctor
